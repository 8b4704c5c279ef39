#!/usr/bin/env bash
# Takes docs/screenshots/*.png from a virtual X server (needs xvfb): the
# pictures are what the X server shows, as on a desktop without a window manager.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v xvfb-run >/dev/null || { echo "xvfb-run fehlt (apt-get install xvfb)"; exit 1; }
cmake -S . -B build >/dev/null && cmake --build build -j2 --target vantrel-screenshots
xvfb-run -a -s "-screen 0 1280x800x24" env QT_QPA_PLATFORM=xcb LANG=C.UTF-8 LC_ALL=C.UTF-8 \
  build/tools/vantrel-screenshots docs/screenshots
