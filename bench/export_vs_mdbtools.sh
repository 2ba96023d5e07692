#!/usr/bin/env bash
# Compares `qbtool export` (CSV to /dev/null) with mdbtools' `mdb-export` on
# one table of any .mdb file, in one run: the two commands take turns, RUNS
# times each after a warm-up, with the file in the page cache. Prints the
# median time, rows per second and peak memory of each, and the ratio.
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

# Runs one command with its output thrown away; prints "nanoseconds peak-KiB".
measure() {
  local log start end
  log=$(mktemp)
  start=$(date +%s%N)
  /usr/bin/time -f '%M' -o "$log" "$@" >/dev/null
  end=$(date +%s%N)
  echo "$((end - start)) $(tail -n 1 "$log")"
  rm -f "$log"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : int((v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }

qb_cmd=("$qbtool" export "$file" "$table")
mdb_cmd=(mdb-export "$file" "$table")

measure "${qb_cmd[@]}" >/dev/null   # warm-up
measure "${mdb_cmd[@]}" >/dev/null
qb_times=() qb_mem=() mdb_times=() mdb_mem=()
for ((i = 0; i < runs; i++)); do
  read -r t m < <(measure "${qb_cmd[@]}")
  qb_times+=("$t") qb_mem+=("$m")
  read -r t m < <(measure "${mdb_cmd[@]}")
  mdb_times+=("$t") mdb_mem+=("$m")
done

qb_ns=$(printf '%s\n' "${qb_times[@]}" | median)
mdb_ns=$(printf '%s\n' "${mdb_times[@]}" | median)
qb_kib=$(printf '%s\n' "${qb_mem[@]}" | sort -n | tail -n 1)
mdb_kib=$(printf '%s\n' "${mdb_mem[@]}" | sort -n | tail -n 1)

awk -v rows="$rows" -v runs="$runs" -v table="$table" -v file="$(basename "$file")" \
    -v qns="$qb_ns" -v mns="$mdb_ns" -v qk="$qb_kib" -v mk="$mdb_kib" 'BEGIN {
  qs = qns / 1e9; ms = mns / 1e9
  printf "%s in %s: %d rows; median of %d runs each, warm cache\n", table, file, rows, runs
  printf "  %-16s %8.3f s %12.0f rows/s   peak %7.1f MiB\n", "qbtool export", qs, rows / qs, qk / 1024
  printf "  %-16s %8.3f s %12.0f rows/s   peak %7.1f MiB\n", "mdb-export", ms, rows / ms, mk / 1024
  printf "  ratio (rows/s, qbtool / mdb-export): %.2f\n", ms / qs
}'
