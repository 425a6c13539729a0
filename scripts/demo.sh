#!/usr/bin/env bash
# Headless demo: renders a Mandelbrot picture with the command-line front end and says where it
# is. Used by `make run` when no display is available.
set -euo pipefail
build=${1:-build/release}
cli="$build/src/cli/quillmora-cli"
if [ ! -x "$cli" ]; then
  echo "demo: $cli is missing; run 'make build' first" >&2
  exit 1
fi
out_dir=${QM_DEMO_DIR:-$build/demo}
mkdir -p "$out_dir"
out="$out_dir/quillmora-demo.png"
"$cli" render -o "$out" --view -2.5,1,-1.3125,1.3125 --size 960x720 --max 256 \
  --formula "i*2" --repeat --stats
echo "Demo picture written to $(cd "$(dirname "$out")" && pwd)/$(basename "$out")"
