#!/usr/bin/env bash
# Runs a command with a throwaway PostgreSQL server: a new cluster in a
# temporary directory, owned by an unprivileged user (the server refuses to
# run as root), listening only on a Unix socket in that directory. The
# server is stopped and the directory removed when the command ends, also
# when it fails. The command sees VELDRAKE_TEST_PG, a connection URI of a
# role that may create databases. Only the role "mit_passwort" must give
# its password. VELDRAKE_TEST_PG_PAIR starts a primary with a standby of
# its own for a test (scripts/pg-pair.sh); every pair goes with the server.
#
#   bash scripts/with-postgres.sh ctest --test-dir build
set -euo pipefail

pgbin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
if [ -z "$pgbin" ] || [ ! -x "$pgbin/initdb" ]; then
    echo "with-postgres: PostgreSQL server programs not found (Debian package postgresql)" >&2
    exit 2
fi

owner=$(id -un)
run=()
if [ "$(id -u)" -eq 0 ]; then
    owner=postgres
    id -u "$owner" >/dev/null 2>&1 || useradd --system --no-create-home "$owner"
    run=(runuser -u "$owner" --)
fi

dir=$(mktemp -d /tmp/veldrake-pg.XXXXXX)
chown "$owner" "$dir"
chmod 700 "$dir"
pair="bash $(cd "$(dirname "$0")" && pwd)/pg-pair.sh $dir"
stop() {
    $pair stop-all >/dev/null 2>&1 || true
    "${run[@]}" "$pgbin/pg_ctl" -D "$dir/data" -m immediate stop >/dev/null 2>&1 || true
    rm -rf "$dir"
}
trap stop EXIT

"${run[@]}" "$pgbin/initdb" -D "$dir/data" -U veldrake --auth=trust -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 ||
    { cat "$dir/initdb.log" >&2; exit 2; }
# In the configuration file rather than on the command line, so that a test
# that stops and starts the server (VELDRAKE_TEST_PG_CTL) gets the same.
printf "%s\n" "listen_addresses = ''" "unix_socket_directories = '$dir'" "fsync = off" "max_connections = 200" \
    >>"$dir/data/postgresql.conf"
# Every role comes in on the socket without a password, except the role
# "mit_passwort", which the tests create to see a password refused.
{ echo "local all mit_passwort scram-sha-256"; cat "$dir/data/pg_hba.conf"; } >"$dir/pg_hba.conf"
mv "$dir/pg_hba.conf" "$dir/data/pg_hba.conf"
chown "$owner" "$dir/data/pg_hba.conf"
"${run[@]}" "$pgbin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 30 start >/dev/null ||
    { cat "$dir/server.log" >&2; exit 2; }

export VELDRAKE_TEST_PG="postgresql://veldrake@/postgres?host=$dir"
export VELDRAKE_TEST_PG_PAIR="$pair"
export VELDRAKE_TEST_PG_CTL="${run[*]} $pgbin/pg_ctl -D $dir/data -l $dir/server.log"
"$@"
