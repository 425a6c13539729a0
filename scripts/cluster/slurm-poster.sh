#!/usr/bin/env bash
# Renders one picture as N bands on a Slurm cluster and joins them:
#   slurm-poster.sh PARAMS.qmp OUT.png --bands N [render options] [--wait] [-- sbatch options]
# A job array of N tasks (task i renders `--band i/N` into OUT's work folder, OUT.parts/ beside
# it), then an assemble job that runs once every band succeeded. Prints the two job ids. Each
# task renders with the CPUs Slurm gives it (--cpus-per-task, 1 by default) unless the render
# options say --threads. Needs the same quillmora-cli on every node and OUT's folder shared.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
qm_help_if_asked "$@"

usage() {
  echo "usage: slurm-poster.sh PARAMS.qmp OUT.png --bands N [render options] [--wait] [-- sbatch options]" >&2
  exit 2
}

[ $# -ge 2 ] || usage
params=$(realpath "$1") || qm_die "no parameter file $1"
[ -f "$params" ] || qm_die "no parameter file $1"
out=$(realpath -m "$2")
shift 2
bands="" wait=0 render=() sbatch_opts=()
while [ $# -gt 0 ]; do
  case $1 in
  --bands) [ $# -ge 2 ] || usage; bands=$2; shift 2 ;;
  --wait) wait=1; shift ;;
  --) shift; sbatch_opts=("$@"); break ;;
  -o | --band) qm_die "$1 is chosen by this script" ;;
  *) render+=("$1"); shift ;;
  esac
done
qm_check_poster "$out" "$bands"

cli=$(qm_cli)
work=${out%.*}.parts
ext=png
[ "${out##*.}" = ppm ] && ext=ppm
mkdir -p "$work"
rm -f "$work"/part-*."$ext"
threads=""
qm_has_option --threads "${render[@]}" || threads='--threads "${SLURM_CPUS_PER_TASK:-1}"'
progress=--progress # lines in the job logs, every few seconds
qm_has_option --quiet "${render[@]}" && progress=""
qm_has_option --progress "${render[@]}" && progress=""

qm_job_script "$work/band.sh" \
  "work=$(qm_quote "$work")" \
  'k=$SLURM_ARRAY_TASK_ID' \
  "exec $(qm_quote "$cli" render "$params") --band \"\$k/$bands\" -o \"\$work/part-\$k.$ext\" $threads $progress $(qm_quote "${render[@]}")"
parts=()
for ((k = 0; k < bands; k++)); do parts+=("$work/part-$k.$ext"); done
qm_job_script "$work/assemble.sh" \
  "$(qm_quote "$cli" assemble "$out" "${parts[@]}") $progress" \
  "$(qm_quote rm -f "${parts[@]}")"

array=$(qm_sbatch --job-name=qm-poster --array=0-$((bands - 1)) --output="$work/band-%a.log" \
  "${sbatch_opts[@]}" "$work/band.sh")
join=$(qm_sbatch --job-name=qm-assemble --dependency=afterok:"$array" --kill-on-invalid-dep=yes \
  --output="$work/assemble.log" "${sbatch_opts[@]}" "$work/assemble.sh")
echo "bands: job $array"
echo "assemble: job $join"
[ $wait -eq 1 ] || exit 0

describe() {
  if [ "$1" = "$array" ]; then
    echo "band ${2:-?} (job ${1}_${2:-?}, log $work/band-${2:-?}.log)"
  else
    echo "assemble (job $1, log $work/assemble.log)"
  fi
}
qm_wait_jobs describe "$array" "$join" || exit 1
echo "$out"
