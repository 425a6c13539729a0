#!/usr/bin/env bash
# Starts Quillmora's main window, opens a document, renders it and saves a screenshot PNG (and
# one with the tool panel folded, OUTPUT-folded.png).
# Uses a virtual X display (Xvfb) when installed, else Qt's offscreen platform.
# Usage: scripts/screenshot.sh [OUTPUT.png] [BUILD_DIR]
set -euo pipefail
out=${1:-quillmora-screenshot.png}
build=${2:-build/release}
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target quillmora_screenshot >/dev/null
mkdir -p "$(dirname "$out")"
tool="$build/src/app/shell/quillmora_screenshot"
if command -v xvfb-run >/dev/null 2>&1; then
  xvfb-run -a -s "-screen 0 1280x800x24" "$tool" "$out" "${out%.png}-folded.png"
else
  QT_QPA_PLATFORM=offscreen "$tool" "$out" "${out%.png}-folded.png"
fi
echo "screenshots written to $out and ${out%.png}-folded.png"

# --- Editor windows: palette, plasma and formula editors, Quick Help, an HLS filter dialog ---
# Drawn offscreen into "editor-shots" beside the main screenshot.
editors_build=${2:-build/release}
editors_out="$(dirname "${1:-quillmora-screenshot.png}")/editor-shots"
if cmake --build "$editors_build" --target editor_screenshots >/dev/null 2>&1; then
  QT_QPA_PLATFORM=offscreen "$editors_build/tests/app/editors/editor_screenshots" "$editors_out"
else
  echo "editor screenshots skipped (built without tests)" >&2
fi

# --- Window decoration: the gradient caption bar with the tool panel (also folded) and the About
# box. The main screenshot above already shows the real frame; these show the pieces on their own.
decor_build=${2:-build/release}
decor_dir="$(dirname "${1:-quillmora-screenshot.png}")"
if cmake --build "$decor_build" --target quillmora_decor_screenshot >/dev/null 2>&1; then
  QT_QPA_PLATFORM=offscreen "$decor_build/src/app/decor/quillmora_decor_screenshot" \
    "$decor_dir/decor-frame.png" "$decor_dir/decor-about.png" "$decor_dir/decor-frame-folded.png"
  echo "decoration screenshots written to $decor_dir/decor-*.png"
else
  echo "decoration screenshots skipped (quillmora_decor_screenshot did not build)" >&2
fi
