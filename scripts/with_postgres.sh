#!/usr/bin/env bash
# Runs a command beside a private PostgreSQL server: a new cluster in a
# temporary folder, listening on a free local port, stopped and removed when
# the command ends, whatever happens. The command finds the server in
# QB_TEST_POSTGRES (postgresql://postgres@127.0.0.1:PORT/postgres). As root
# the server runs as the postgres user (initdb refuses root). Fails when the
# server cannot be started, so that tests needing it are never skipped here.
#
#   scripts/with_postgres.sh ctest --test-dir build -L migrate
set -euo pipefail
bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1 || true)
if [ -z "$bindir" ] || [ ! -x "$bindir/initdb" ]; then
  echo "with_postgres: PostgreSQL's server programs are missing (Debian package postgresql)" >&2
  exit 1
fi
dir=$(mktemp -d /tmp/qb-postgres.XXXXXX)
as_server=()
if [ "$(id -u)" -eq 0 ]; then
  chown postgres: "$dir"
  as_server=(runuser -u postgres --)
fi
stop_server() {
  if [ -f "$dir/data/postmaster.pid" ]; then
    "${as_server[@]}" "$bindir/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
  fi
  rm -rf "$dir"
}
trap stop_server EXIT

port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
if ! "${as_server[@]}" "$bindir/initdb" -D "$dir/data" -U postgres -A trust -E UTF8 --locale=C.UTF-8 \
    >"$dir/initdb.log" 2>&1; then
  cat "$dir/initdb.log" >&2
  echo "with_postgres: initdb failed" >&2
  exit 1
fi
# A test server: no durability needed, so no syncing to disk.
if ! "${as_server[@]}" "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
    -o "-p $port -k $dir -c listen_addresses=127.0.0.1 -c fsync=off -c synchronous_commit=off -c full_page_writes=off" \
    start >/dev/null; then
  cat "$dir/server.log" >&2 || true
  echo "with_postgres: the server did not start" >&2
  exit 1
fi
export QB_TEST_POSTGRES="postgresql://postgres@127.0.0.1:$port/postgres"
echo "with_postgres: $("$bindir/postgres" --version) at $QB_TEST_POSTGRES"
"$@"
