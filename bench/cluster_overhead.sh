#!/usr/bin/env bash
# The cost of splitting a picture into bands on the local Slurm cluster: one process rendering
# the whole PNG against slurm-poster.sh with 4 bands (submission, scheduling, part files and the
# assemble included), on the same machine, once with bands of all CPUs (one after the other) and
# once with bands of 1 CPU (side by side). The picture, z^3+c whose inside has no shortcut, takes
# over 10 s in one process on 2 cores. Prints medians of RUNS timings and the overheads. Needs
# root (local-slurm.sh) and the Release quillmora-cli.
# Usage: bench/cluster_overhead.sh [BUILD_DIR]   env: SIZE (4000x3000), MAX (20000), RUNS (3),
#        BANDS (4)
set -euo pipefail

build=${1:-build/release}
size=${SIZE:-4000x3000} max=${MAX:-20000} runs=${RUNS:-3} bands=${BANDS:-4}
root=$(cd "$(dirname "$0")/.." && pwd)
cli=$(realpath "$build/src/cli/quillmora-cli")
[ "$(id -u)" -eq 0 ] || { echo "cluster_overhead: need root" >&2; exit 1; }
tmp=$(mktemp -d "${TMPDIR:-/tmp}/quillmora-overhead.XXXXXX")
chmod 755 "$tmp"
export QM_SLURM_DIR=$tmp/slurm SLURM_CONF=$tmp/slurm/slurm.conf QUILLMORA_CLI=$cli
trap '"$root/scripts/cluster/local-slurm.sh" stop >/dev/null; rm -rf "$tmp"' EXIT
"$root/scripts/cluster/local-slurm.sh" start >/dev/null
cd "$tmp"
cat >p.qmp <<QMP
[Coordinates]
UpperX=-1.6
LowerX=1.6
UpperY=-1.2
LowerY=1.2
Max=$max
Bailout=4
Order=3
[Formulas]
RGB=i*2
[Mode]
Type=mandelorder
QMP
cpus=$(nproc)

seconds() {
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null || { echo "cluster_overhead: failed: $*" >&2; exit 1; }
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { print b - a }'
}
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

poster() { # $1: CPUs per band, $2: size
  "$root/scripts/cluster/slurm-poster.sh" p.qmp split.png --bands "$bands" --size "${2:-$size}" \
    --wait -- --cpus-per-task="$1"
}

# The fixed cost first: a poster of almost no pixels through the same jobs.
fixed=()
for ((r = 0; r < runs; r++)); do fixed+=("$(seconds poster "$cpus" 64x48)"); done

single=() narrow=() wide=()
for ((r = 0; r < runs; r++)); do
  single+=("$(seconds "$cli" render p.qmp --size "$size" --threads "$cpus" -o single.png)")
  wide+=("$(seconds poster "$cpus")")
  narrow+=("$(seconds poster 1)")
done
"$cli" convert single.png single.ppm && "$cli" convert split.png split.ppm
cmp -s single.ppm split.ppm || { echo "cluster_overhead: the split picture differs" >&2; exit 1; }

s=$(printf '%s\n' "${single[@]}" | median)
spread() { printf '%s\n' "$@" | sort -n | awk 'NR == 1 { lo = $1 } { hi = $1 } END { printf "%.2f to %.2f s", lo, hi }'; }
report() {
  local m
  m=$(printf '%s\n' "${@:2}" | median)
  printf '%-40s %7.2f s (%s)  overhead %+.1f %%\n' "$1" "$m" "$(spread "${@:2}")" \
    "$(awk -v m="$m" -v s="$s" 'BEGIN { print (m - s) * 100 / s }')"
}
echo "render $size of z^3+c, Max $max, $cpus CPUs, median of $runs"
printf '%-40s %7.2f s (%s)\n' "one process, $cpus threads" "$s" "$(spread "${single[@]}")"
printf '%-40s %7.2f s (%s)\n' "$bands bands of 64x48 (the fixed cost)" \
  "$(printf '%s\n' "${fixed[@]}" | median)" "$(spread "${fixed[@]}")"
report "$bands bands on local Slurm, $cpus CPUs each" "${wide[@]}"
report "$bands bands on local Slurm, 1 CPU each" "${narrow[@]}"
