#!/usr/bin/env bash
# Compares `qbtool export` (CSV to /dev/null) with mdbtools' `mdb-export` on
# one table of any .mdb file, in one run: the two commands take turns, RUNS
# times each after a warm-up, with the file in the page cache. Prints the
# median wall and cpu time, rows per second and peak memory of each, and the
# ratios (cpu time is the steadier figure on a busy machine).
#
#   bench/export_vs_mdbtools.sh FILE TABLE [RUNS]
#
# qbtool is taken from $QBTOOL, else build/cli/qbtool beside this script.
set -euo pipefail

if [ $# -lt 2 ] || [ $# -gt 3 ]; then
  echo "usage: $0 FILE TABLE [RUNS]" >&2
  exit 2
fi
file=$1
table=$2
runs=${3:-5}
here=$(cd "$(dirname "$0")" && pwd)
qbtool=${QBTOOL:-$here/../build/cli/qbtool}

[ -x "$qbtool" ] || { echo "$0: no qbtool at $qbtool (build first, or set QBTOOL)" >&2; exit 1; }
command -v mdb-export >/dev/null || { echo "$0: mdb-export not found (apt-get install mdbtools)" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "$0: /usr/bin/time not found (apt-get install time)" >&2; exit 1; }
[[ "$runs" =~ ^[1-9][0-9]*$ ]] || { echo "$0: RUNS must be a positive number" >&2; exit 2; }

rows=$("$qbtool" count "$file" "$table")
cat "$file" >/dev/null  # warm the page cache

# Runs one command with its output thrown away; prints "wall-ns cpu-ms peak-KiB"
# (%.0f, not %d: some awks cut %d at 2^31, which is 2.1 s in nanoseconds).
measure() {
  local log begin end
  log=$(mktemp)
  begin=$(date +%s%N)
  /usr/bin/time -f '%U %S %M' -o "$log" "$@" >/dev/null
  end=$(date +%s%N)
  tail -n 1 "$log" | awk -v ns="$((end - begin))" '{ printf "%.0f %.0f %d\n", ns, ($1 + $2) * 1000, $3 }'
  rm -f "$log"
}

median() { sort -n | awk '{ v[NR] = $1 } END { printf "%.0f\n", (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

qb_cmd=("$qbtool" export "$file" "$table")
mdb_cmd=(mdb-export "$file" "$table")

measure "${qb_cmd[@]}" >/dev/null   # warm-up
measure "${mdb_cmd[@]}" >/dev/null
qb_wall=() qb_cpu=() qb_mem=() mdb_wall=() mdb_cpu=() mdb_mem=()
for ((i = 0; i < runs; i++)); do
  read -r w c m < <(measure "${qb_cmd[@]}")
  qb_wall+=("$w") qb_cpu+=("$c") qb_mem+=("$m")
  read -r w c m < <(measure "${mdb_cmd[@]}")
  mdb_wall+=("$w") mdb_cpu+=("$c") mdb_mem+=("$m")
done

awk -v rows="$rows" -v runs="$runs" -v table="$table" -v file="$(basename "$file")" \
    -v qw="$(printf '%s\n' "${qb_wall[@]}" | median)" -v mw="$(printf '%s\n' "${mdb_wall[@]}" | median)" \
    -v qc="$(printf '%s\n' "${qb_cpu[@]}" | median)" -v mc="$(printf '%s\n' "${mdb_cpu[@]}" | median)" \
    -v qk="$(printf '%s\n' "${qb_mem[@]}" | sort -n | tail -n 1)" \
    -v mk="$(printf '%s\n' "${mdb_mem[@]}" | sort -n | tail -n 1)" 'BEGIN {
  qs = qw / 1e9; ms = mw / 1e9
  printf "%s in %s: %d rows; medians of %d runs each, warm cache\n", table, file, rows, runs
  printf "  %-14s wall %7.3f s  cpu %7.3f s  %10.0f rows/s  peak %6.1f MiB\n", "qbtool export", qs, qc / 1000, rows / qs, qk / 1024
  printf "  %-14s wall %7.3f s  cpu %7.3f s  %10.0f rows/s  peak %6.1f MiB\n", "mdb-export", ms, mc / 1000, rows / ms, mk / 1024
  printf "  ratio qbtool / mdb-export in rows per second: %.2f by wall time, %.2f by cpu time\n", ms / qs, (qc > 0 ? mc / qc : 0)
}'
