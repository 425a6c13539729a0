#!/usr/bin/env bash
# Renders one picture as N bands with GNU parallel and joins them:
#   parallel-poster.sh PARAMS.qmp OUT.png --bands N [render options] [--sshlogin LOGINS]
#                      [--jobs J]
# Bands run here by default; --sshlogin takes parallel's list of machines ("host1,4/host2,:" ...;
# ":" is this machine). --jobs is the bands one machine renders at once (1 by default, each band
# using all its cores unless the render options say --threads). Remote machines need the same
# quillmora-cli at the same path and OUT's folder shared. Parts go to OUT.parts/ beside OUT and
# are removed after the assemble.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
qm_help_if_asked "$@"

usage() {
  echo "usage: parallel-poster.sh PARAMS.qmp OUT.png --bands N [render options] [--sshlogin LOGINS] [--jobs J]" >&2
  exit 2
}

[ $# -ge 2 ] || usage
params=$(realpath "$1") && [ -f "$params" ] || qm_die "no parameter file $1"
out=$(realpath -m "$2")
shift 2
bands="" jobs=1 sshlogin=() render=()
while [ $# -gt 0 ]; do
  case $1 in
  --bands) [ $# -ge 2 ] || usage; bands=$2; shift 2 ;;
  --jobs) [ $# -ge 2 ] || usage; jobs=$2; shift 2 ;;
  --sshlogin) [ $# -ge 2 ] || usage; sshlogin=(--sshlogin "$2"); shift 2 ;;
  -o | --band) qm_die "$1 is chosen by this script" ;;
  *) render+=("$1"); shift ;;
  esac
done
qm_check_poster "$out" "$bands"
[[ $jobs =~ ^[1-9][0-9]*$ ]] || qm_die "--jobs expects a positive count"
command -v parallel >/dev/null || qm_die "GNU parallel not found"

cli=$(qm_cli)
work=${out%.*}.parts
ext=png
[ "${out##*.}" = ppm ] && ext=ppm
mkdir -p "$work"
rm -f "$work"/part-*."$ext"

joblog=$work/parallel.log
if ! parallel --will-cite --quote --halt now,fail=1 --jobs "$jobs" "${sshlogin[@]}" \
  --joblog "$joblog" \
  "$cli" render "$params" --band "{}/$bands" -o "$work/part-{}.$ext" "${render[@]}" \
  ::: $(seq 0 $((bands - 1))); then
  # The job log's columns: Seq Host Starttime JobRuntime Send Receive Exitval Signal Command.
  awk -F'\t' -v work="$work" 'NR > 1 && ($7 != 0 || $8 != 0) {
      band = $9; sub(/.*--band /, "", band); sub(/\/.*/, "", band);
      host = $2 == ":" ? "this machine" : $2;
      printf "band %s failed on %s: exit code %s, signal %s\n", band, host, $7, $8 }' \
    "$joblog" >&2
  echo "parts and job log kept in $work" >&2
  exit 1
fi

parts=()
for ((k = 0; k < bands; k++)); do parts+=("$work/part-$k.$ext"); done
"$cli" assemble "$out" "${parts[@]}"
rm -rf "$work"
echo "$out"
