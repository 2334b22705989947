#!/usr/bin/env bash
# Starts a throwaway PostgreSQL 15 cluster for tests and benchmarks, in a new
# temporary folder, listening on 127.0.0.1 on a free port, trust
# authentication, with an empty database "corvane_test". Prints the
# environment to use, so that
#
#   eval "$(scripts/start-postgres.sh)"
#
# sets CORVANE_TEST_PG_URL (postgresql://postgres@127.0.0.1:PORT/corvane_test)
# and CORVANE_TEST_PG_DIR (the cluster's folder). Stop and remove it with
#
#   scripts/start-postgres.sh stop [DIR]      (DIR defaults to $CORVANE_TEST_PG_DIR)
#
# Usage: start-postgres.sh [start [--durable] | stop [DIR]]
#
# The cluster is for tests and does not wait for the disk (fsync off): the
# tests' many small databases and commits go faster, and what they check (a
# killed client's transaction is rolled back) does not depend on it.
# "start --durable" keeps the server's normal durability (for benchmarks).
#
# Run as root, the cluster runs as the OS user "postgres"; run as anyone
# else, as that user. Needs the Debian package postgresql (binaries in
# /usr/lib/postgresql/15/bin, or PG_BIN).
set -euo pipefail

PG_BIN=${PG_BIN:-/usr/lib/postgresql/15/bin}

log() { echo "start-postgres: $*" >&2; }

as_owner() {
    if [ "$(id -u)" = 0 ]; then
        runuser -u postgres -- "$@"
    else
        "$@"
    fi
}

stop_cluster() {
    local dir=${1:-${CORVANE_TEST_PG_DIR:-}}
    if [ -z "$dir" ] || [ ! -f "$dir/data/PG_VERSION" ]; then
        log "no cluster to stop: give its folder or set CORVANE_TEST_PG_DIR"
        exit 1
    fi
    (cd "$dir" && as_owner "$PG_BIN/pg_ctl" -D "$dir/data" -m fast -w stop) >&2 || true
    rm -rf -- "$dir"
    log "stopped and removed $dir"
}

port_in_use() {
    (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

start_cluster() {
    local settings="-c fsync=off -c full_page_writes=off -c synchronous_commit=off"
    if [ "${1:-}" = --durable ]; then
        settings=""
    elif [ -n "${1:-}" ]; then
        log "unknown option $1"
        exit 2
    fi
    if [ ! -x "$PG_BIN/initdb" ]; then
        log "$PG_BIN/initdb not found: install the Debian package postgresql (or set PG_BIN)"
        exit 1
    fi
    local dir
    if [ "$(id -u)" = 0 ]; then
        # In /tmp, where the postgres user can reach it whatever TMPDIR is.
        dir=$(mktemp -d /tmp/corvane-pg.XXXXXX)
        chown postgres: "$dir"
    else
        dir=$(mktemp -d "${TMPDIR:-/tmp}/corvane-pg.XXXXXX")
    fi
    chmod 755 "$dir"
    (cd "$dir" && as_owner "$PG_BIN/initdb" -D "$dir/data" -U postgres -A trust -E UTF8 --locale=C.UTF-8 \
        --no-sync) >"$dir/initdb.log" 2>&1 || {
        log "initdb failed, see $dir/initdb.log"
        exit 1
    }

    # A free port: try a few from a random start until the server comes up.
    local port attempt
    for attempt in $(seq 1 20); do
        port=$((20000 + (RANDOM % 30000)))
        port_in_use "$port" && continue
        if (cd "$dir" && as_owner "$PG_BIN/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
            -o "-p $port -k $dir -c listen_addresses=127.0.0.1 $settings" start) >/dev/null 2>&1; then
            break
        fi
        port=""
    done
    if [ -z "${port:-}" ]; then
        log "the server did not start, see $dir/server.log"
        exit 1
    fi

    (cd "$dir" && as_owner "$PG_BIN/psql" -h 127.0.0.1 -p "$port" -U postgres -d postgres -q \
        -c "CREATE DATABASE corvane_test") >&2
    log "PostgreSQL running in $dir on 127.0.0.1:$port"
    echo "export CORVANE_TEST_PG_URL=postgresql://postgres@127.0.0.1:$port/corvane_test"
    echo "export CORVANE_TEST_PG_DIR=$dir"
}

case "${1:-start}" in
start) start_cluster "${2:-}" ;;
stop) stop_cluster "${2:-}" ;;
*)
    log "usage: $0 [start [--durable] | stop [DIR]]"
    exit 2
    ;;
esac
