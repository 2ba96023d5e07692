#!/usr/bin/env bash
# Migration to PostgreSQL: qbtool migrate against the usual chain of mdbtools
# and psql (mdb-schema FILE postgres | psql, then mdb-export -I postgres |
# psql in one transaction), both into the same server in one run.
#
#   bench/migrate_vs_mdbtools.sh [ROWS]      (default 1000000)
#
# Generates a database of ROWS orders (bench/generate_db), starts a private
# PostgreSQL server (scripts/with_postgres.sh) unless QB_BENCH_POSTGRES names
# one, and prints for each side the wall time and rows per second, how the
# time splits between reading the file and the server, and whether the rows
# that arrived equal each other (and how the chain's autonumber goes on).
set -euo pipefail
cd "$(dirname "$0")/.."
rows="${1:-1000000}"
if [ -z "${QB_BENCH_POSTGRES:-}" ]; then
  if [ -z "${QB_TEST_POSTGRES:-}" ]; then exec scripts/with_postgres.sh "$0" "$@"; fi
  QB_BENCH_POSTGRES="$QB_TEST_POSTGRES"
fi
url="$QB_BENCH_POSTGRES"
qbtool="${QBTOOL:-build/cli/qbtool}"
generate="${QB_GENERATE_DB:-build/bench/generate_db}"
work=$(mktemp -d /tmp/qb-migrate-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
db="$work/orders.mdb"
"$generate" "$db" "$rows" >/dev/null
cat "$db" >/dev/null  # into the page cache

psql_q() { psql -X -q -v ON_ERROR_STOP=1 "$url" "$@"; }
psql_q -c "DROP SCHEMA IF EXISTS ours CASCADE" -c "DROP SCHEMA IF EXISTS chain CASCADE" -c "CREATE SCHEMA chain" 2>/dev/null
now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }

# Reading alone: each side's export of the rows to nowhere.
t0=$(now); "$qbtool" export "$db" Orders >/dev/null; t1=$(now)
ours_read=$(elapsed "$t0" "$t1")
t0=$(now); mdb-export -I postgres -B "$db" Orders >/dev/null; t1=$(now)
chain_read=$(elapsed "$t0" "$t1")

t0=$(now)
summary=$("$qbtool" migrate "$db" --to "$url" --schema ours)
t1=$(now)
ours=$(elapsed "$t0" "$t1")
ours_server=$(echo "$summary" | sed -n 's/.*; \([0-9.]*\) s of it waiting on PostgreSQL.*/\1/p')

export PGOPTIONS="-c search_path=chain"
t0=$(now)
mdb-schema "$db" postgres 2>/dev/null | psql_q >/dev/null
mdb-export -I postgres -B "$db" Orders | psql_q -1 >/dev/null
t1=$(now)
unset PGOPTIONS
chain=$(elapsed "$t0" "$t1")

differing=$(psql_q -At -c "SELECT count(*) FROM ours.\"Orders\" o FULL JOIN chain.orders c ON c.id = o.\"ID\"
  WHERE c.id IS NULL OR o.\"ID\" IS NULL OR c.customer IS DISTINCT FROM o.\"Customer\"
     OR c.amount IS DISTINCT FROM o.\"Amount\" OR c.qty IS DISTINCT FROM o.\"Qty\"
     OR c.created IS DISTINCT FROM o.\"Created\" OR c.paid IS DISTINCT FROM o.\"Paid\"
     OR c.notes IS DISTINCT FROM o.\"Notes\"")
ours_next=$(psql_q -At -c "INSERT INTO ours.\"Orders\" (\"Customer\") VALUES ('x') RETURNING \"ID\"")
chain_next=$(psql_q -At -c "SELECT nextval(pg_get_serial_sequence('chain.orders', 'id'))")
psql_q -c "DROP SCHEMA ours CASCADE" -c "DROP SCHEMA chain CASCADE" 2>/dev/null

rate() { awk -v n="$rows" -v s="$1" 'BEGIN { printf "%.0f", n / s }'; }
share() { awk -v p="$1" -v w="$2" 'BEGIN { printf "%.0f%%", 100 * p / w }'; }
printf "%d rows into PostgreSQL (%s)\n" "$rows" "$(psql -X -At "$url" -c 'SHOW server_version')"
printf "  %-28s %8s s  %9s rows/s  reading alone %6s s (%s of the run)" "qbtool migrate" "$ours" "$(rate "$ours")" \
  "$ours_read" "$(share "$ours_read" "$ours")"
printf ", waiting on the server %s s (%s)\n" "$ours_server" "$(share "$ours_server" "$ours")"
printf "  %-28s %8s s  %9s rows/s  reading alone %6s s (%s of the run)\n" "mdb-schema/mdb-export | psql" "$chain" \
  "$(rate "$chain")" "$chain_read" "$(share "$chain_read" "$chain")"
awk -v a="$ours" -v b="$chain" 'BEGIN { printf "  ratio of rows per second: %.1fx\n", b / a }'
echo "  rows differing between the two targets: $differing"
echo "  next autonumber: qbtool $ours_next, chain $chain_next (largest key $rows)"
