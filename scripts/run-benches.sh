#!/usr/bin/env bash
# Runs every benchmark program of a Release build.
set -euo pipefail
build=${1:-build/release}
shopt -s nullglob
for b in "$build"/bench/*_bench; do
  echo "== $(basename "$b")"
  "$b"
done
