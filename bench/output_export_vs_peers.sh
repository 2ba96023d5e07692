#!/usr/bin/env bash
# The program's CSV export (Table ▸ "Export Current table to CSV", timed in
# the main window by gui_output_timing) side by side with `qbtool export`
# and mdbtools' `mdb-export` of the same table, in one run. The two command
# lines are timed as whole processes (their output thrown away, the file in
# the page cache); the program's figure is the export command alone, from
# the save dialog's answer to "Export Complete", with the grid shown.
#
#   bench/output_export_vs_peers.sh FILE TABLE [RUNS]
#
# Programs are taken from $QB_BUILD (default build/ beside this script).
set -euo pipefail

if [ $# -lt 2 ] || [ $# -gt 3 ]; then
  echo "usage: $0 FILE TABLE [RUNS]" >&2
  exit 2
fi
file=$1
table=$2
runs=${3:-5}
here=$(cd "$(dirname "$0")" && pwd)
build=${QB_BUILD:-$here/../build}
qbtool=$build/cli/qbtool
timing=$build/bench/gui_output_timing
for program in "$qbtool" "$timing"; do
  [ -x "$program" ] || { echo "$0: no $program (build first, or set QB_BUILD)" >&2; exit 1; }
done
command -v mdb-export >/dev/null || { echo "$0: mdb-export not found (apt-get install mdbtools)" >&2; exit 1; }
[[ "$runs" =~ ^[1-9][0-9]*$ ]] || { echo "$0: RUNS must be a positive number" >&2; exit 2; }

cat "$file" >/dev/null  # warm the page cache
out=$(mktemp)
trap 'rm -f "$out"' EXIT

# Wall time of one command in milliseconds, output thrown away.
wall_ms() {
  local begin end
  begin=$(date +%s%N)
  "$@" >/dev/null
  end=$(date +%s%N)
  echo $(((end - begin) / 1000000))
}
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

wall_ms "$qbtool" export "$file" "$table" >/dev/null  # warm-up
wall_ms mdb-export "$file" "$table" >/dev/null
qb=() mdb=()
for ((i = 0; i < runs; i++)); do
  qb+=("$(wall_ms "$qbtool" export "$file" "$table")")
  mdb+=("$(wall_ms mdb-export "$file" "$table")")
done
rows=$("$qbtool" count "$file" "$table")
program=$(QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$timing" "$file" "$table" --only export --runs "$runs" --csv "$out" |
  awk '/export to CSV/ { print $5 }')
qbm=$(printf '%s\n' "${qb[@]}" | median)
mdbm=$(printf '%s\n' "${mdb[@]}" | median)
awk -v rows="$rows" -v p="$program" -v q="$qbm" -v m="$mdbm" -v runs="$runs" -v t="$table" -v f="$(basename "$file")" 'BEGIN {
  printf "%s in %s: %d rows; medians of %d runs each\n", t, f, rows, runs
  printf "  %-36s %9.0f ms  %10.0f rows/s\n", "Quillbase export (the command)", p, rows / (p / 1000)
  printf "  %-36s %9.0f ms  %10.0f rows/s\n", "qbtool export (whole process)", q, rows / (q / 1000)
  printf "  %-36s %9.0f ms  %10.0f rows/s\n", "mdb-export (whole process)", m, rows / (m / 1000)
  printf "  ratio mdb-export / Quillbase export: %.2f; qbtool / Quillbase export: %.2f\n", m / p, q / p
}'
