#!/usr/bin/env bash
# Renders the frames of a zoom animation on a Slurm cluster:
#   slurm-animate.sh FROM.qmp TO.qmp --frames N -o PATTERN --tasks M [animate options] [--wait]
#                    [-- sbatch options]
# A job array of M tasks; task i renders frames floor(i*N/M) to floor((i+1)*N/M)-1 with
# `animate --range`. Logs go to PATTERN's folder, in slurm-logs/. Each task renders with the
# CPUs Slurm gives it (--cpus-per-task, 1 by default) unless the options say --threads. Needs
# the same quillmora-cli on every node and PATTERN's folder shared.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
qm_help_if_asked "$@"

usage() {
  echo "usage: slurm-animate.sh FROM.qmp TO.qmp --frames N -o PATTERN --tasks M [animate options] [--wait] [-- sbatch options]" >&2
  exit 2
}

[ $# -ge 2 ] || usage
from=$(realpath "$1") && [ -f "$from" ] || qm_die "no parameter file $1"
to=$(realpath "$2") && [ -f "$to" ] || qm_die "no parameter file $2"
shift 2
frames="" tasks="" pattern="" wait=0 animate=() sbatch_opts=()
while [ $# -gt 0 ]; do
  case $1 in
  --frames) [ $# -ge 2 ] || usage; frames=$2; shift 2 ;;
  --tasks) [ $# -ge 2 ] || usage; tasks=$2; shift 2 ;;
  -o) [ $# -ge 2 ] || usage; pattern=$(realpath -m "$2"); shift 2 ;;
  --wait) wait=1; shift ;;
  --) shift; sbatch_opts=("$@"); break ;;
  --frame | --range) qm_die "$1 is chosen by this script" ;;
  *) animate+=("$1"); shift ;;
  esac
done
[[ $frames =~ ^[1-9][0-9]*$ ]] || qm_die "--frames expects a positive count"
[[ $tasks =~ ^[1-9][0-9]*$ ]] || qm_die "--tasks expects a positive count"
[ -n "$pattern" ] || qm_die "missing -o PATTERN"
((tasks > frames)) && tasks=$frames # no task without a frame

cli=$(qm_cli)
logs=$(dirname "$pattern")/slurm-logs
mkdir -p "$logs"
threads=""
qm_has_option --threads "${animate[@]}" || threads='--threads "${SLURM_CPUS_PER_TASK:-1}"'
progress=--progress # lines in the job logs, every few seconds
qm_has_option --quiet "${animate[@]}" && progress=""
qm_has_option --progress "${animate[@]}" && progress=""

# The share of task i: frames first to end-1.
qm_job_script "$logs/frames.sh" \
  'i=$SLURM_ARRAY_TASK_ID' \
  "first=\$((i * $frames / $tasks))" \
  "end=\$(((i + 1) * $frames / $tasks))" \
  "exec $(qm_quote "$cli" animate "$from" "$to" --frames "$frames" -o "$pattern") --range \"\$first:\$end\" $threads $progress $(qm_quote "${animate[@]}")"

array=$(qm_sbatch --job-name=qm-animate --array=0-$((tasks - 1)) --output="$logs/task-%a.log" \
  "${sbatch_opts[@]}" "$logs/frames.sh")
echo "frames: job $array"
[ $wait -eq 1 ] || exit 0

describe() {
  local i=${2:-?}
  echo "task $i (frames $((i * frames / tasks)) to $(((i + 1) * frames / tasks - 1)), job ${1}_$i, log $logs/task-$i.log)"
}
qm_wait_jobs describe "$array" || exit 1
echo "$frames frames in $(dirname "$pattern")"
