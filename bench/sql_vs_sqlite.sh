#!/usr/bin/env bash
# The SQL benchmarks on a generated database, side by side with SQLite on the
# same rows, in one run:
#   1. in one process each (build/bench/sql_vs_sqlite): the six queries of the
#      SQL benchmark plus a sort of every order, medians of RUNS runs;
#   2. as whole commands: the LIKE query streamed to CSV by `qbtool sql`,
#      against `qbtool export` of the whole table and against the sqlite3
#      shell writing the same rows as CSV; and the peak memory of a sort of
#      every order.
#
#   bench/sql_vs_sqlite.sh DB.mdb [RUNS]
#
# Make the database with `build/bench/generate_db DB.mdb 1000000` (1 000 000
# orders, 100 000 customers). qbtool is taken from $QBTOOL, else
# build/cli/qbtool; the benchmark program from $SQLBENCH, else
# build/bench/sql_vs_sqlite.
set -euo pipefail

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: $0 DB.mdb [RUNS]" >&2
  exit 2
fi
file=$1
runs=${2:-5}
here=$(cd "$(dirname "$0")" && pwd)
qbtool=${QBTOOL:-$here/../build/cli/qbtool}
bench=${SQLBENCH:-$here/../build/bench/sql_vs_sqlite}
[ -x "$qbtool" ] || { echo "$0: no qbtool at $qbtool (build first, or set QBTOOL)" >&2; exit 1; }
[ -x "$bench" ] || { echo "$0: no benchmark program at $bench (build first, or set SQLBENCH)" >&2; exit 1; }
command -v sqlite3 >/dev/null || { echo "$0: sqlite3 not found (apt-get install sqlite3)" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "$0: /usr/bin/time not found (apt-get install time)" >&2; exit 1; }
[[ "$runs" =~ ^[1-9][0-9]*$ ]] || { echo "$0: RUNS must be a positive number" >&2; exit 2; }

echo "== in one process (median of $runs runs; ratio = ours / SQLite)"
"$bench" "$file" "$runs"
lite="${file%.*}.sqlite"  # written by the program above

cat "$file" "$lite" >/dev/null  # warm the page cache

# Runs a command with its output thrown away; prints "wall-ms peak-KiB".
measure() {
  local log begin end
  log=$(mktemp)
  begin=$(date +%s%N)
  /usr/bin/time -f '%M' -o "$log" "$@" >/dev/null
  end=$(date +%s%N)
  awk -v ns="$((end - begin))" '{ printf "%.0f %d\n", ns / 1000000, $1 }' "$log"
  rm -f "$log"
}
median() { sort -n | awk '{ v[NR] = $1 } END { printf "%.0f\n", (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

like_sql="SELECT * FROM Orders WHERE Customer LIKE 'b*'"
like_lite="SELECT * FROM Orders WHERE Customer LIKE 'b%';"
sort_sql="SELECT * FROM Orders ORDER BY Amount"
run_set() {  # label, command...
  local label=$1 wall=() mem=0 line
  shift
  measure "$@" >/dev/null
  for _ in $(seq "$runs"); do
    line=$(measure "$@")
    wall+=("${line% *}")
    mem=$(( ${line#* } > mem ? ${line#* } : mem ))
  done
  printf "%-44s %8s ms %10s KiB\n" "$label" "$(printf '%s\n' "${wall[@]}" | median)" "$mem"
}

echo
echo "== whole commands (median wall time of $runs runs, largest peak memory)"
run_set "qbtool sql (LIKE 'b*', all fields, CSV)" "$qbtool" sql "$file" "$like_sql"
run_set "qbtool export Orders (CSV, every row)" "$qbtool" export "$file" Orders
run_set "sqlite3 -csv (LIKE 'b%', all fields)" sqlite3 -csv "$lite" "$like_lite"
run_set "qbtool sql (every order sorted by Amount)" "$qbtool" sql "$file" "$sort_sql"
run_set "sqlite3 -csv (every order sorted by Amount)" sqlite3 -csv "$lite" "SELECT * FROM Orders ORDER BY Amount;"
