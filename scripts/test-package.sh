#!/usr/bin/env bash
# Builds the two Debian packages from a finished build, unpacks them and
# checks them:
# - veldrake, the desktop program: the dependencies computed from the
#   program, the command-line package of the same version, a valid .desktop
#   file, the icon and the README, and the packaged program starting
#   offscreen on a fresh home, creating its store and ending cleanly on
#   SIGTERM;
# - veldrake-admin, unpacked alone as on a server without a desktop: its
#   dependencies (libvips for the image module), its help, and a transfer
#   that loads the image module from the unpacked tree.
# Last, veldrake-admin must need no widget library.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "package check: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/pkg" >/dev/null)
deb=$(ls "$work"/pkg/veldrake_*.deb 2>/dev/null | head -n 1)
admin_deb=$(ls "$work"/pkg/veldrake-admin_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || fail "no veldrake_*.deb built"
[ -n "$admin_deb" ] || fail "no veldrake-admin_*.deb built"

field() { # deb, field name
    dpkg-deb --field "$1" "$2"
}
names() { # a Depends or Recommends line -> " name name ... "
    echo " $(sed 's/ ([^)]*)//g; s/,//g' <<<"$1") "
}
version=$(field "$deb" Version)
depends=$(field "$deb" Depends)
admin_depends=$(field "$admin_deb" Depends)

for lib in libc6 libstdc++6 libqt6core6 libqt6widgets6 libqt6sql6 libqt6sql6-sqlite veldrake-admin; do
    [[ $(names "$depends") == *" $lib "* ]] || fail "veldrake: Depends lacks $lib: $depends"
done
[[ ", $depends," == *", veldrake-admin (= $version),"* ]] ||
    fail "veldrake: Depends lacks veldrake-admin (= $version): $depends"
[[ $(names "$depends") != *" libvips"* ]] || fail "veldrake: the image library comes with veldrake-admin: $depends"
for lib in libc6 libstdc++6 libqt6core6 libqt6sql6 libqt6sql6-sqlite libvips42; do
    [[ $(names "$admin_depends") == *" $lib "* ]] || fail "veldrake-admin: Depends lacks $lib: $admin_depends"
done
for d in "$deb" "$admin_deb"; do
    [[ $(names "$(field "$d" Recommends)") == *" libqt6sql6-psql "* ]] ||
        fail "$(basename "$d"): Recommends lacks libqt6sql6-psql"
done

# The desktop program, installed with the package it depends on.
root=$work/root
dpkg-deb -x "$deb" "$root"
dpkg-deb -x "$admin_deb" "$root"
desktop-file-validate "$root/usr/share/applications/veldrake.desktop"
for f in usr/bin/veldrake usr/share/icons/hicolor/scalable/apps/veldrake.svg usr/share/doc/veldrake/README.md; do
    [ -f "$root/$f" ] || fail "$f missing"
done
if dpkg-deb --contents "$deb" | grep -q 'libveldrake_bilder\|veldrake-admin'; then
    fail "veldrake holds what veldrake-admin holds"
fi

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

# The command-line package alone, on a fresh home without a display.
admin_root=$work/admin-root
dpkg-deb -x "$admin_deb" "$admin_root"
for f in usr/bin/veldrake-admin usr/lib/veldrake/libveldrake_bilder.so; do
    [ -f "$admin_root/$f" ] || fail "veldrake-admin: $f missing"
done
admin_home=$work/admin-home
mkdir -p "$admin_home"
admin() {
    env -u VELDRAKE_STORE -u VELDRAKE_DEMO -u XDG_DATA_HOME -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
        HOME="$admin_home" timeout -s KILL 60 "$admin_root/usr/bin/veldrake-admin" "$@"
}
admin --help >"$work/help" 2>&1 || { cat "$work/help" >&2; fail "veldrake-admin --help failed"; }
grep -q '^Aufruf: veldrake-admin' "$work/help" || { cat "$work/help" >&2; fail "veldrake-admin --help shows no help"; }
# A transfer loads and starts the image module before its first image, also
# for a kind that is switched off and passes the file unchanged.
printf 'Rechnertyp;F;Filiale\nRechner;101;Nord;F\n' >"$work/rechner.csv"
admin import-computers "$work/rechner.csv" >"$work/admin-out" 2>&1 ||
    { cat "$work/admin-out" >&2; fail "veldrake-admin import-computers failed"; }
admin transfer --kind ABIL --rnr 101 --out "$work/aus" "$work/rechner.csv" >"$work/admin-out" 2>&1 ||
    { cat "$work/admin-out" >&2; fail "veldrake-admin transfer failed (the image module?)"; }
cmp -s "$work/rechner.csv" "$work/aus/101/rechner.csv" || fail "veldrake-admin transfer wrote nothing"

# The command-line package runs on a server: no widget, GUI or SVG library.
for lib in libqt6gui6 libqt6widgets6 libqt6svg6; do
    [[ $(names "$admin_depends") != *" $lib "* ]] || fail "veldrake-admin: Depends names $lib: $admin_depends"
done
echo "Packages checked:"
echo "  $(basename "$deb"): Depends: $depends"
echo "  $(basename "$admin_deb"): Depends: $admin_depends"
