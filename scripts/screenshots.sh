#!/usr/bin/env bash
# Renders docs/screenshots/*.png under a virtual X server (needs xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."
command -v xvfb-run >/dev/null || { echo "xvfb-run fehlt (apt-get install xvfb)"; exit 1; }
cmake -S . -B build >/dev/null && cmake --build build -j2 --target vantrel-screenshots
xvfb-run -a -s "-screen 0 1280x800x24" build/tools/vantrel-screenshots docs/screenshots
