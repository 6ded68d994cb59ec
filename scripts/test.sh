#!/usr/bin/env bash
# Sets up what is missing, builds the project twice (plain, and under
# AddressSanitizer + UndefinedBehaviorSanitizer) and runs every test in both.
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
    ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
bash scripts/test-package.sh build
build build-asan -DCMAKE_BUILD_TYPE=Debug -DVELDRAKE_SANITIZE=ON -DVELDRAKE_BENCH=OFF
echo "All tests passed in both builds."
