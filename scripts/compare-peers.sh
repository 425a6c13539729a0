#!/usr/bin/env bash
# Times Quillmora's engine side by side with peer programs on the same work, in one run.
# Usage: scripts/compare-peers.sh [BUILD_DIR]   (a Release build; default build/release)
# Each section is self-contained and skips itself when its peer is not installed.
set -euo pipefail
build=${1:-build/release}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# --- ImageMagick: convolution filters -------------------------------------------------------
# The same 1920 x 1080 picture and the same integer kernels (Smooth, Blur radius 2.5, Contours)
# through our filter operation (bench/filter_bench) and ImageMagick's -morphology Convolve,
# both on one thread and on all cores. Figures in Mpixel/s, higher is better.
imagemagick_filters() {
  local bench="$build/bench/filter_bench"
  if ! command -v convert >/dev/null 2>&1; then
    echo "ImageMagick: convert not found, skipped"; return 0
  fi
  if [ ! -x "$bench" ]; then
    echo "ImageMagick: $bench not built, skipped"; return 0
  fi
  local picture="$work/filter_bench.ppm" pixels=$((1920 * 1080)) cores
  cores=$(nproc)
  "$bench" --write-picture="$picture"
  local ours="$work/filter_bench.txt"
  "$bench" --benchmark_filter='BM_Conv/(Smooth|Blur|Contours)/' --benchmark_min_time=1 \
    >"$ours" 2>/dev/null
  echo "ImageMagick -morphology Convolve vs Quillmora TConvFilter, 1920 x 1080, Mpixel/s"
  printf '%-10s %-8s %12s %12s %8s\n' filter threads quillmora imagemagick ratio
  local name label kernel
  for name in smooth blur contours; do
    case $name in smooth) label=Smooth;; blur) label=Blur;; contours) label=Contours;; esac
    kernel=$("$bench" --kernel=$name)
    # -bench reports "Performance[threads]: Ni X.XXXips ..." for 1 .. all threads.
    local im
    im=$(convert "$picture" -define convolve:scale='!' -bench 5 \
           -morphology Convolve "$kernel" null: 2>&1 | grep '^ *Performance\[')
    local threads qm imips imrate
    for threads in 1 "$cores"; do
      local arg=$threads
      [ "$threads" = "$cores" ] && arg=0
      qm=$(awk -v n="BM_Conv/$label/$arg/real_time" '$1 == n {
             for (i = 2; i <= NF; i++) if ($i ~ /^Mpixel\/s=/) { sub(/^Mpixel\/s=/, "", $i);
             sub(/\/s$/, "", $i); print $i } }' "$ours")
      imips=$(echo "$im" | awk -v t="$threads" -F'[][]' '$2 == t { split($3, f, " ");
             sub(/ips$/, "", f[3]); print f[3] }')
      imrate=$(awk -v i="${imips:-0}" -v p="$pixels" 'BEGIN { printf "%.1f", i * p / 1e6 }')
      printf '%-10s %-8s %12.1f %12s %8s\n' "$label" "$threads" "${qm:-0}" "$imrate" \
        "$(awk -v a="${qm:-0}" -v b="$imrate" 'BEGIN { if (b > 0) printf "%.2fx", a / b; else print "-" }')"
    done
  done
}
imagemagick_filters

