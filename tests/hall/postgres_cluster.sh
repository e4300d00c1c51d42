#!/usr/bin/env bash
# Starts or stops a throwaway PostgreSQL cluster for the hall tests: a temporary folder, a
# loopback port, trust authentication, no fsync. initdb refuses to run as root, so under root
# the cluster belongs to the unprivileged user `nobody`.
#
#   postgres_cluster.sh start DIR   prints nothing; writes DIR/url (postgresql://...)
#   postgres_cluster.sh stop DIR    stops the cluster and removes DIR
set -euo pipefail
action=$1
dir=$2
bin=${KORVEL_PG_BIN:-$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)}

as_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u nobody -- "$@"
  else
    "$@"
  fi
}

case "$action" in
  start)
    rm -rf "$dir"
    mkdir -p "$dir"
    if [ "$(id -u)" -eq 0 ]; then chown nobody: "$dir"; fi
    chmod 700 "$dir"
    as_owner "$bin/initdb" -D "$dir/data" -U korvel --auth=trust -E UTF8 --no-locale \
      >"$dir/initdb.log" 2>&1
    for attempt in 1 2 3 4 5; do
      port=$((20000 + (RANDOM * 7 + $$) % 30000))
      if as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 30 \
        -o "-p $port -k $dir -c listen_addresses=127.0.0.1 -c fsync=off \
            -c synchronous_commit=off -c full_page_writes=off -c max_connections=200" \
        start >/dev/null 2>&1; then
        echo "postgresql://korvel@127.0.0.1:$port/postgres" >"$dir/url.tmp"
        mv "$dir/url.tmp" "$dir/url"
        exit 0
      fi
    done
    echo "postgres_cluster: the cluster did not start; see $dir/server.log" >&2
    cat "$dir/server.log" >&2 || true
    exit 1
    ;;
  stop)
    if [ -d "$dir/data" ]; then
      as_owner "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
    fi
    rm -rf "$dir"
    ;;
  *)
    echo "usage: postgres_cluster.sh start|stop DIR" >&2
    exit 2
    ;;
esac
