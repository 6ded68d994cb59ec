#!/usr/bin/env bash
# Sets up what is missing, builds and starts the program. Without
# VELDRAKE_STORE it runs on a demo store in build/demo/, created with the
# host's sample computers when missing.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target veldrake

if [ -z "${VELDRAKE_STORE:-}" ]; then
    mkdir -p build/demo
    export VELDRAKE_STORE=$PWD/build/demo/veldrake.sqlite
    export VELDRAKE_DEMO=1
fi
exec ./build/app/veldrake "$@"
