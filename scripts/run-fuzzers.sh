#!/usr/bin/env bash
# Runs every fuzzer of a fuzz build for a few seconds each, starting from the project's corpus.
set -euo pipefail
build=${1:-build/fuzz}
seconds=${2:-20}
root=$(cd "$(dirname "$0")/.." && pwd)
shopt -s nullglob
found=0
for f in "$build"/fuzz/*_fuzz; do
  [ -x "$f" ] || continue
  found=1
  name=$(basename "$f")
  work=$(mktemp -d)
  seeds=()
  [ -d "$root/fuzz/corpus/$name" ] && seeds+=("$root/fuzz/corpus/$name")
  echo "fuzz: $name for ${seconds}s"
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    "$f" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=0 \
    "$work" "${seeds[@]}" >"$work.log" 2>&1 || { cat "$work.log"; echo "fuzz: $name FAILED"; exit 1; }
  grep -E '^Done|#[0-9]+.*DONE' "$work.log" | tail -1 || true
  rm -rf "$work" "$work.log"
done
[ "$found" = 1 ] || echo "fuzz: no fuzzers built"
