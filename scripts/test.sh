#!/usr/bin/env bash
# Sets up what is missing, builds the project twice (plain, and under
# AddressSanitizer + UndefinedBehaviorSanitizer) and runs every test in both.
# The plain build's tests run on SQLite and on a throwaway PostgreSQL server
# that scripts/with-postgres.sh starts and stops; the sanitizer build runs
# them on SQLite.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp

build() { # dir, extra cmake args...
    local dir=$1; shift
    cmake -S . -B "$dir" -G Ninja -DVELDRAKE_WERROR=ON "$@"
    cmake --build "$dir" -j "$jobs"
}

build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
bash scripts/with-postgres.sh ctest --test-dir build --output-on-failure -j "$jobs"
bash scripts/test-package.sh build
build build-asan -DCMAKE_BUILD_TYPE=Debug -DVELDRAKE_SANITIZE=ON -DVELDRAKE_BENCH=OFF
ctest --test-dir build-asan --output-on-failure -j "$jobs" -LE postgres
echo "All tests passed in both builds."
