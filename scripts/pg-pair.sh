#!/usr/bin/env bash
# A throwaway PostgreSQL primary with a hot standby (streaming replication),
# for the tests of failover and of reading from a standby. Both listen only
# on Unix sockets in folders under BASE; a commit returns once the standby
# has applied it, so that what a workstation was told is booked survives the
# loss of the primary and can be read on the standby at once. scripts/with-postgres.sh offers it to
# the tests as VELDRAKE_TEST_PG_PAIR="bash scripts/pg-pair.sh BASE" and stops
# every pair when it ends, also on failure.
#
#   pg-pair.sh BASE start NAME         prints "primary DIR" and "standby DIR"
#                                      (the socket folders) once the standby
#                                      streams
#   pg-pair.sh BASE stop-primary NAME  stops the primary at once (immediate)
#   pg-pair.sh BASE promote NAME       makes the standby the primary
#   pg-pair.sh BASE stop NAME          stops both and removes them
#   pg-pair.sh BASE stop-all           the same for every pair under BASE
set -euo pipefail

base=$1
action=$2
name=${3:-}
pgbin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
run=()
owner=$(id -un)
if [ "$(id -u)" -eq 0 ]; then
    owner=postgres
    run=(runuser -u "$owner" --)
fi
pair=$base/pair-$name

ctl() { # server, pg_ctl arguments...
    local server=$1; shift
    "${run[@]}" "$pgbin/pg_ctl" -D "$pair/$server/data" -l "$pair/$server/server.log" "$@"
}

stop_pair() { # folder of a pair
    local dir=$1
    for server in primary standby; do
        [ -d "$dir/$server/data" ] &&
            "${run[@]}" "$pgbin/pg_ctl" -D "$dir/$server/data" -m immediate stop >/dev/null 2>&1 || true
    done
    rm -rf "$dir"
}

fail() { # message; shows the servers' logs
    echo "pg-pair: $1" >&2
    cat "$pair"/*/server.log "$pair"/*.log >&2 2>/dev/null || true
    stop_pair "$pair"
    exit 2
}

start() {
    mkdir -p "$pair/primary" "$pair/standby"
    chown "$owner" "$pair" "$pair/primary" "$pair/standby"
    chmod 700 "$pair/primary" "$pair/standby"
    "${run[@]}" "$pgbin/initdb" -D "$pair/primary/data" -U veldrake --auth=trust -E UTF8 --locale=C.UTF-8 \
        >"$pair/initdb.log" 2>&1 || fail "initdb failed"
    printf "%s\n" "listen_addresses = ''" "unix_socket_directories = '$pair/primary'" "fsync = off" \
        "max_connections = 40" "synchronous_standby_names = '*'" "synchronous_commit = remote_apply" \
        >>"$pair/primary/data/postgresql.conf"
    ctl primary -w -t 30 start >/dev/null || fail "the primary did not start"
    "${run[@]}" "$pgbin/pg_basebackup" -h "$pair/primary" -U veldrake -D "$pair/standby/data" -R \
        -X stream --checkpoint=fast >"$pair/basebackup.log" 2>&1 || fail "pg_basebackup failed"
    # The standby's own socket folder; once promoted it waits for nobody.
    printf "%s\n" "unix_socket_directories = '$pair/standby'" "synchronous_standby_names = ''" \
        >>"$pair/standby/data/postgresql.conf"
    ctl standby -w -t 30 start >/dev/null || fail "the standby did not start"
    for _ in $(seq 1 100); do
        streaming=$("$pgbin/psql" -h "$pair/primary" -U veldrake -d postgres -tAc \
            "SELECT count(*) FROM pg_stat_replication WHERE state = 'streaming'" 2>/dev/null || true)
        if [ "$streaming" = 1 ]; then
            echo "primary $pair/primary"
            echo "standby $pair/standby"
            return
        fi
        sleep 0.1
    done
    fail "the standby does not stream"
}

case $action in
    start) start ;;
    stop-primary) ctl primary -m immediate stop >/dev/null ;;
    promote) ctl standby -w -t 30 promote >/dev/null ;;
    stop) stop_pair "$pair" ;;
    stop-all) for dir in "$base"/pair-*; do [ -d "$dir" ] && stop_pair "$dir"; done ;;
    *) echo "usage: pg-pair.sh BASE start|stop-primary|promote|stop NAME | BASE stop-all" >&2; exit 2 ;;
esac
