#!/usr/bin/env bash
# Pictures of the editor windows (palette, plasma, formula, Quick Help, a filter dialog),
# drawn offscreen into a folder: scripts/screenshot-editors.sh [folder] [build dir].
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-screenshots}"
build="${2:-build/release}"
if [ ! -f "$build/build.ninja" ] && [ ! -f "$build/Makefile" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target editor_screenshots -j2 >/dev/null
QT_QPA_PLATFORM=offscreen "$build/tests/app/editors/editor_screenshots" "$out"
