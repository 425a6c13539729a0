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

# --- FractalNow: Mandelbrot render ----------------------------------------------------------
# The full view (-2.5 .. 1 by -1.3125 .. 1.3125) at 1920 x 1080, Max 256 and 1000, escape
# radius 2 (Bailout 4), all cores: FractalNow computing every pixel (-i 1) and with its
# interpolating default, against quillmora-cli render with "i*2". Both write a PPM file.
# Wall time of the whole command, median of three runs; Mpixel/s, higher is better.
fractalnow_render() {
  local cli="$build/src/cli/quillmora-cli"
  if ! command -v fractalnow >/dev/null 2>&1 && [ "$(id -u)" -eq 0 ]; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends fractalnow \
      >/dev/null 2>&1 || true
  fi
  if ! command -v fractalnow >/dev/null 2>&1; then
    echo "FractalNow: not installed (apt-get install fractalnow), skipped"; return 0
  fi
  if [ ! -x "$cli" ]; then
    echo "FractalNow: $cli not built, skipped"; return 0
  fi
  local cores pixels=$((1920 * 1080))
  cores=$(nproc)
  # Seconds of the median of three runs of a command.
  median_seconds() {
    local t s e
    for t in 1 2 3; do
      s=$(date +%s.%N)
      "$@" >/dev/null 2>&1
      e=$(date +%s.%N)
      echo "$s $e" | awk '{ printf "%.4f\n", $2 - $1 }'
    done | sort -n | sed -n 2p
  }
  echo "FractalNow vs quillmora-cli render, mandel full view, 1920 x 1080, $cores threads, Mpixel/s"
  printf '%-6s %12s %16s %16s %10s %10s\n' Max quillmora "fractalnow -i 1" "fractalnow dflt" \
    "vs -i 1" "vs dflt"
  local max conf q f1 fd
  for max in 256 1000; do
    conf="$work/mandel_$max.conf"
    printf 'C075\nMANDELBROT\n-0.75 0 3.5 2.625\n2 %s\n1\n0x0\nITERATIONCOUNT\nDISCRETE\nIDENTITY 0.0078125 0\n0 0x0 0.5 0xFFFFFF 1 0x0\n' \
      "$max" >"$conf"
    q=$(median_seconds "$cli" render -o "$work/q.ppm" --view -2.5,1,-1.3125,1.3125 \
          --size 1920x1080 --max "$max" --formula "i*2" --threads "$cores")
    f1=$(median_seconds fractalnow -c "$conf" -x 1920 -y 1080 -i 1 -j "$cores" -o "$work/f1.ppm")
    fd=$(median_seconds fractalnow -c "$conf" -x 1920 -y 1080 -j "$cores" -o "$work/fd.ppm")
    awk -v m="$max" -v p="$pixels" -v q="$q" -v a="$f1" -v b="$fd" 'BEGIN {
      printf "%-6s %12.1f %16.1f %16.1f %9.1fx %9.1fx\n", m, p / q / 1e6, p / a / 1e6,
             p / b / 1e6, a / q, b / q }'
  done
}
fractalnow_render
