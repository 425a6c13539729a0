#!/usr/bin/env bash
# Draws the main frame with its gradient caption bar and tool panel, and the about box, as PNGs.
# Uses a virtual X display (Xvfb) when installed, else Qt's offscreen platform.
# Usage: scripts/screenshot-decor.sh [MAIN.png] [ABOUT.png] [BUILD_DIR]
set -euo pipefail
main=${1:-quillmora-frame.png}
about=${2:-quillmora-about.png}
build=${3:-build/release}
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target quillmora_decor_screenshot >/dev/null
tool="$build/src/app/decor/quillmora_decor_screenshot"
if command -v xvfb-run >/dev/null 2>&1; then
  xvfb-run -a -s "-screen 0 1280x800x24" "$tool" "$main" "$about"
else
  QT_QPA_PLATFORM=offscreen "$tool" "$main" "$about"
fi
echo "screenshots written to $main and $about"
