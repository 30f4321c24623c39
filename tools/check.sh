#!/usr/bin/env bash
# Builds everything with warnings as errors and runs every test, headless. `--sanitize` does the
# same in a separate AddressSanitizer + UndefinedBehaviorSanitizer build with leak detection on,
# built without precompiled headers, so that it also proves every file includes what it uses.
# The plain run also builds the Debian package and checks it (tools/package-check.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup-debian.sh

build=build
options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DMSS_WERROR=ON)
if [ "${1:-}" = "--sanitize" ]; then
  build=build-asan
  options=(-DCMAKE_BUILD_TYPE=Debug -DMSS_SANITIZE=ON -DMSS_WERROR=ON -DMSS_PCH=OFF)
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
  export LSAN_OPTIONS=suppressions=$PWD/tools/lsan.supp:print_suppressions=0
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi

cmake -S . -B "$build" -G Ninja "${options[@]}" >/dev/null
cmake --build "$build"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j2
if [ "$build" = build ]; then
  bash tools/package-check.sh "$build"
fi
