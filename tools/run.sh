#!/usr/bin/env bash
# Builds the program and starts it on the embedded demo database.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup-debian.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target mss mss_report_files
exec ./build/mss "$@"
