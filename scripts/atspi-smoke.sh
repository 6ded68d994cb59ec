#!/usr/bin/env bash
# By hand, not in CI: starts the program under a virtual X server with a
# session bus and the AT-SPI registry, and lets a real AT-SPI client
# (scripts/atspi-smoke.py, Debian python3-pyatspi, run by the
# system's Python) find the menu entries by
# name and press one. Needs build/app/veldrake.
set -euo pipefail
cd "$(dirname "$0")/.."
store=$(mktemp -d)
trap 'rm -rf "$store"' EXIT
exec xvfb-run -a dbus-run-session -- bash -c '
    export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 NO_AT_BRIDGE=0
    /usr/libexec/at-spi-bus-launcher --launch-immediately &
    sleep 1
    VELDRAKE_STORE='"$store"'/veldrake.sqlite VELDRAKE_DEMO=1 ./build/app/veldrake &
    program=$!
    /usr/bin/python3 scripts/atspi-smoke.py
    status=$?
    kill $program 2>/dev/null || true
    exit $status'
