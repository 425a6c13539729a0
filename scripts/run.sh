#!/usr/bin/env bash
# Starts the GUI when a display is available; otherwise says so.
set -euo pipefail
build=${1:-build/release}
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ "${QT_QPA_PLATFORM:-}" != "offscreen" ]; then
  echo "No display found (DISPLAY and WAYLAND_DISPLAY are unset): not starting the Quillmora window."
  if [ -x scripts/demo.sh ]; then exec bash scripts/demo.sh "$build"; fi
  exit 0
fi
exec "$build/src/app/quillmora"
