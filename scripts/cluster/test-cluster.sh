#!/usr/bin/env bash
# The render-farm stage of `make test`: starts a local single-node Slurm cluster, renders a
# 4-band poster and a 6-frame animation through the Slurm scripts and a poster through GNU
# parallel, and checks them against single-process renders; a failing band must fail the poster.
# The cluster is stopped whatever happens. Needs root (slurmd); skipped otherwise.
# Usage: test-cluster.sh [BUILD_DIR]   (default build/release)
set -euo pipefail

if [ "$(id -u)" -ne 0 ]; then
  echo "cluster tests skipped: need root"
  exit 0
fi

here=$(cd "$(dirname "$0")" && pwd)
cli=$(realpath "${1:-build/release}/src/cli/quillmora-cli")
[ -x "$cli" ] || { echo "test-cluster: no quillmora-cli in ${1:-build/release}" >&2; exit 1; }
tmp=$(mktemp -d "${TMPDIR:-/tmp}/quillmora-cluster.XXXXXX")
chmod 755 "$tmp" # munged serves its socket from a folder in here
export QM_SLURM_DIR=$tmp/slurm SLURM_CONF=$tmp/slurm/slurm.conf QUILLMORA_CLI=$cli

finish() {
  local rc=$?
  local pids pid
  pids=$(cat "$QM_SLURM_DIR"/*.pid 2>/dev/null || true)
  "$here/local-slurm.sh" stop >/dev/null || rc=1
  for pid in $pids; do # ended, or ended and waiting to be reaped
    if [ -e "/proc/$pid" ] && ! grep -q '^State:.*zombie' "/proc/$pid/status" 2>/dev/null; then
      echo "FAIL: daemon $pid ($(cat "/proc/$pid/comm" 2>/dev/null)) still runs after stop" >&2
      rc=1
    fi
  done
  if [ $rc -ne 0 ]; then # the job logs go with the folder: show their ends first
    find "$tmp" -name '*.log' -not -path "$tmp/slurm/*" -size +0 | sort | while read -r log; do
      echo "--- ${log#"$tmp"/}"
      tail -n 3 "$log"
    done >&2
  fi
  rm -rf "$tmp"
  [ $rc -eq 0 ] && echo "cluster tests passed" || echo "cluster tests FAILED" >&2
  exit $rc
}
trap finish EXIT
trap 'exit 130' INT TERM

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Two pictures with the same pixels (PNG bytes may differ).
same_pixels() {
  "$cli" convert "$1" "$1.ppm" && "$cli" convert "$2" "$2.ppm" && cmp -s "$1.ppm" "$2.ppm"
}

"$here/local-slurm.sh" start >/dev/null
cd "$tmp"
cat >from.qmp <<'QMP'
[Coordinates]
UpperX=-2
LowerX=1
UpperY=-1.2
LowerY=1.2
Max=96
Width=200
Height=150
[Formulas]
RGB=i*3
[Mode]
Type=mandel
QMP
sed -e 's/^UpperX=.*/UpperX=-0.80/' -e 's/^LowerX=.*/LowerX=-0.70/' \
  -e 's/^UpperY=.*/UpperY=-0.22/' -e 's/^LowerY=.*/LowerY=-0.14/' -e 's/^Max=.*/Max=400/' \
  from.qmp >to.qmp

echo "cluster: 4-band poster through Slurm"
"$here/slurm-poster.sh" from.qmp poster.png --bands 4 --size 203x157 --wait -- --time=2 >/dev/null
"$cli" render from.qmp --size 203x157 -o single.png
same_pixels poster.png single.png || fail "the Slurm poster differs from a single render"

echo "cluster: 6-frame animation through Slurm"
"$here/slurm-animate.sh" from.qmp to.qmp --frames 6 -o frames/f%03d.png --tasks 4 --size 96x72 \
  --wait >/dev/null
mkdir single
for k in 0 1 2 3 4 5; do
  "$cli" animate from.qmp to.qmp --frames 6 --frame $k -o single/f%03d.png --size 96x72
  f=$(printf 'f%03d.png' $k)
  same_pixels "frames/$f" "single/$f" || fail "frame $k differs from animate --frame $k"
done

echo "cluster: a failing band fails the poster"
if "$here/slurm-poster.sh" from.qmp bad.png --bands 2 --formula "i*(" --wait >/dev/null 2>err.txt; then
  fail "a poster with failing bands succeeded"
fi
grep -q "^band 0 " err.txt || fail "the failed band is not named: $(cat err.txt)"
[ ! -e bad.png ] || fail "a failed poster left bad.png"

echo "cluster: 4-band PPM poster through GNU parallel"
"$here/parallel-poster.sh" from.qmp poster.ppm --bands 4 --size 203x157 --sshlogin 2/: >/dev/null
"$cli" render from.qmp --size 203x157 -o single.ppm
cmp -s poster.ppm single.ppm || fail "the GNU parallel poster differs from a single render"
