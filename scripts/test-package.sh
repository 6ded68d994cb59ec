#!/usr/bin/env bash
# Builds the Debian package from a finished build, unpacks it and checks it:
# the dependencies computed from the programs, a valid .desktop file, the
# icon and the README, and the packaged program starting offscreen on a fresh
# home, creating its store and ending cleanly on SIGTERM.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "package check: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/pkg" >/dev/null)
debs=("$work"/pkg/veldrake_*.deb)
[ -f "${debs[0]}" ] || fail "no veldrake_*.deb built"
deb=${debs[0]}

dpkg-deb --info "$deb" >"$work/info"
depends=$(sed -n 's/^ Depends: //p' "$work/info")
names=" $(sed 's/ ([^)]*)//g; s/,//g' <<<"$depends") "
for lib in libc6 libstdc++6 libqt6core6 libqt6widgets6 libqt6sql6 libqt6sql6-sqlite; do
    [[ $names == *" $lib "* ]] || fail "Depends lacks $lib: $depends"
done

root=$work/root
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/veldrake.desktop"
for f in usr/bin/veldrake usr/share/icons/hicolor/scalable/apps/veldrake.svg usr/share/doc/veldrake/README.md; do
    [ -f "$root/$f" ] || fail "$f missing"
done

# The packaged program on a fresh home: its store is created in the user's
# data directory; SIGTERM ends it in order.
home=$work/home
mkdir -p "$home"
store=$home/.local/share/veldrake/veldrake.sqlite
env -u VELDRAKE_STORE -u VELDRAKE_DEMO -u XDG_DATA_HOME HOME="$home" QT_QPA_PLATFORM=offscreen \
    timeout -s KILL 60 "$root/usr/bin/veldrake" >"$work/out" 2>&1 &
pid=$!
for _ in $(seq 1 200); do
    [ -s "$store" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
[ -s "$store" ] || { cat "$work/out" >&2; fail "the packaged program created no store"; }
sleep 0.5
kill -TERM "$pid"
rc=0
wait "$pid" || rc=$?
[ "$rc" -eq 0 ] || { cat "$work/out" >&2; fail "the packaged program ended with $rc"; }
echo "Package $(basename "$deb") checked: Depends: $depends"
