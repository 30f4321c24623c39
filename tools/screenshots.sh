#!/usr/bin/env bash
# Makes the user guide's pictures again (docs/guide/images/*.png): runs the program on a demo
# hospital under a virtual X display, opens each window the guide shows and grabs it. Fails when a
# window it expects does not appear. Run it after a window changes, look at the pictures, commit.
#   bash tools/screenshots.sh [BUILD-FOLDER]      (DISPLAY number: MSS_SCREENSHOT_DISPLAY, default :44)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
display=${MSS_SCREENSHOT_DISPLAY:-:44}

[ -f "$build/build.ninja" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target mss-screenshots

Xvfb "$display" -screen 0 1366x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
for _ in $(seq 50); do
  xdpyinfo -display "$display" >/dev/null 2>&1 && break
  sleep 0.1
done

out=$(mktemp -d)
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$out"' EXIT
DISPLAY=$display QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8 "$build/tests/mss-screenshots" "$out"

# Small files: the pictures are committed, so a build without a display still has them.
if command -v optipng >/dev/null; then
  optipng -quiet -o2 -strip all "$out"/*.png
fi
mkdir -p docs/guide/images
cp "$out"/*.png docs/guide/images/
ls -l docs/guide/images
