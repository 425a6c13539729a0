#!/usr/bin/env bash
# The README pictures of Quillmora's windows, taken from the real X session of the desktop stage
# (scripts/desktop-test.sh: Xvfb, openbox, real input): OUTPUT.png the frame with a reopened,
# rendered document; OUTPUT-folded.png the same with the tool panel folded; OUTPUT-tools.png a
# document with the loupe and the speedometer above the frame; OUTPUT-cascade.png five documents
# and Quick Help cascaded. Without Xvfb and openbox the first two come from Qt's offscreen platform.
# Usage: scripts/screenshot.sh [OUTPUT.png] [BUILD_DIR]
set -euo pipefail
out=${1:-quillmora-screenshot.png}
build=${2:-build/release}
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
mkdir -p "$(dirname "$out")"
if command -v Xvfb >/dev/null 2>&1 && command -v openbox >/dev/null 2>&1 &&
  command -v xdotool >/dev/null 2>&1; then
  shots=$(mktemp -d)
  trap 'rm -rf "$shots"' EXIT
  QM_SCREENSHOT_DIR="$shots" bash scripts/desktop-test.sh "$build" >/dev/null
  cp "$shots/main.png" "$out"
  for part in folded tools cascade; do cp "$shots/$part.png" "${out%.png}-$part.png"; done
  echo "screenshots of the real session written to $out and ${out%.png}-{folded,tools,cascade}.png"
else
  cmake --build "$build" --target quillmora_screenshot >/dev/null
  QT_QPA_PLATFORM=offscreen "$build/src/app/shell/quillmora_screenshot" "$out" "${out%.png}-folded.png"
  echo "offscreen screenshots written to $out and ${out%.png}-folded.png (no Xvfb/openbox/xdotool)"
fi

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
