#!/usr/bin/env bash
# Compaction against a plain copy of the same file, in one run:
#
#   bench/compact_bench.sh [ROWS] [FOLDER]
#
# Makes (once, kept in FOLDER, default /tmp) a database with an Orders table of
# ROWS rows (default 1000000) with build/bench/generate_db, reads it once into
# the page cache, then times `cp` of the file and `qbtool compact` of another
# copy of it. Prints seconds and MB/s (source bytes over wall time) for each,
# the compacted size and the ratio of the times. qbtool is taken from $QBTOOL,
# else build/cli/qbtool.
set -euo pipefail
cd "$(dirname "$0")/.."
rows="${1:-1000000}"
folder="${2:-/tmp}"
qbtool="${QBTOOL:-build/cli/qbtool}"
generator="${GENERATE_DB:-build/bench/generate_db}"
source="$folder/qb-compact-bench-$rows.mdb"
copy="$folder/qb-compact-bench-$rows.copy.mdb"
work="$folder/qb-compact-bench-$rows.work.mdb"

[ -f "$source" ] || "$generator" "$source" "$rows"
cat "$source" >/dev/null
rm -f "$copy" "$work"
cp "$source" "$work"

now() { date +%s.%N; }
bytes=$(stat -c %s "$source")

start=$(now)
cp "$source" "$copy"
sync "$copy"
copy_s=$(echo "$(now) - $start" | bc -l)

start=$(now)
"$qbtool" compact "$work" >/dev/null
compact_s=$(echo "$(now) - $start" | bc -l)

after=$(stat -c %s "$work")
"$qbtool" count "$work" Orders
awk -v b="$bytes" -v a="$after" -v c="$copy_s" -v k="$compact_s" 'BEGIN {
  mb = b / 1048576
  printf "source      %10.1f MB\n", mb
  printf "cp          %10.3f s %8.1f MB/s\n", c, mb / c
  printf "compact     %10.3f s %8.1f MB/s (result %.1f MB)\n", k, mb / k, a / 1048576
  printf "compact/cp  %10.2f x\n", k / c
}'
rm -f "$copy" "$work"
