#!/usr/bin/env bash
# A private PostgreSQL server for the tests, on a local socket in a folder of its own.
#   eval "$(bash scripts/pg-server.sh start DIR)"   # exports DYT_TEST_POSTGRESQL
#   bash scripts/pg-server.sh stop DIR
# Prints nothing to eval (and the tests on PostgreSQL are skipped) when no server is installed.
set -euo pipefail

action="${1:?start or stop}"
dir="${2:?folder}"
bin="$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1 || true)"
if [ -z "$bin" ] || [ ! -x "$bin/initdb" ]; then
  echo "echo 'PostgreSQL is not installed: its tests are skipped' >&2"
  exit 0
fi

# initdb refuses to run as root: the server then runs as the postgres account.
as_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    su postgres -s /bin/sh -c "$*"
  else
    sh -c "$*"
  fi
}

case "$action" in
  start)
    mkdir -p "$dir"
    [ "$(id -u)" -eq 0 ] && chown postgres "$dir"
    if [ ! -f "$dir/data/PG_VERSION" ]; then
      as_owner "'$bin/initdb' -D '$dir/data' -A trust -U postgres -E UTF8 --locale=C >'$dir/initdb.log' 2>&1"
    fi
    as_owner "'$bin/pg_ctl' -D '$dir/data' -l '$dir/server.log' -w -o \"-k '$dir' -c listen_addresses= -c fsync=off -c max_connections=200\" start >/dev/null"
    echo "export DYT_TEST_POSTGRESQL='host=$dir user=postgres dbname=postgres'"
    ;;
  stop)
    [ -f "$dir/data/postmaster.pid" ] && as_owner "'$bin/pg_ctl' -D '$dir/data' -m immediate stop >/dev/null" || true
    ;;
esac
