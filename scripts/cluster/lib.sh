# shellcheck shell=bash
# Shared by the render-farm scripts: finding quillmora-cli, quoting job commands, submitting to
# Slurm and waiting for jobs. Sourced, not run.

# -h or --help first: prints the calling script's opening comment and exits.
qm_help_if_asked() {
  case ${1:-} in
  -h | --help)
    sed -n '2,/^set -euo/p' "$0" | sed -n 's/^# \{0,1\}//p'
    exit 0
    ;;
  esac
}

qm_die() {
  echo "$(basename "$0"): $*" >&2
  exit 2
}

# The absolute path of quillmora-cli ($QUILLMORA_CLI, else the one on PATH): jobs run it on other
# nodes, where the same path must hold the same program.
# The poster scripts' arguments: a band count, and an OUT that assemble can write.
qm_check_poster() {
  [[ $2 =~ ^[1-9][0-9]*$ ]] || qm_die "--bands expects a positive count"
  case $1 in
  *.png | *.ppm) ;;
  *) qm_die "OUT must be a .png or .ppm picture (the formats assemble writes)" ;;
  esac
}

qm_cli() {
  local cli=${QUILLMORA_CLI:-quillmora-cli}
  cli=$(command -v "$cli") || qm_die "quillmora-cli not found (put it on PATH or set QUILLMORA_CLI)"
  realpath "$cli"
}

# Every argument shell-quoted, joined by blanks: a command line for a job script.
qm_quote() {
  local out="" a
  for a in "$@"; do out+=" $(printf '%q' "$a")"; done
  echo "${out# }"
}

# True when the list (after the first argument) holds the option $1.
qm_has_option() {
  local want=$1 a
  shift
  for a in "$@"; do [ "$a" = "$want" ] && return 0; done
  return 1
}

# Writes a job script $1 whose body is the rest of the arguments, one line each.
qm_job_script() {
  local file=$1
  shift
  {
    echo '#!/bin/bash'
    echo 'set -euo pipefail'
    printf '%s\n' "$@"
  } >"$file"
  chmod +x "$file"
}

# sbatch that prints only the job id.
qm_sbatch() {
  local id
  id=$(sbatch --parsable "$@") || qm_die "sbatch failed"
  echo "${id%%;*}"
}

# Waits until none of the jobs $2... is pending or running, then checks that every task of them
# completed. $1 names a function that turns "JOBID ARRAYTASK" into words for the user ("band 3,
# log poster.parts/band-3.log"). Returns 1 after naming each failed task.
qm_wait_jobs() {
  local describe=$1
  shift
  local ids
  ids=$(IFS=,; echo "$*")
  local queued errors=0
  while :; do
    if queued=$(squeue -h -j "$ids" -o %i 2>&1); then
      [ -z "$queued" ] && break
      errors=0
    elif [[ $queued == *"Invalid job id"* ]]; then
      break # all ended and already forgotten
    elif ((++errors >= 120)); then
      echo "squeue keeps failing: $queued" >&2
      return 1
    fi
    sleep 0.5 # a cheap query; a finished job is seen within half a second
  done
  local failed=0 id line task_line state task code
  for id in "$@"; do
    if ! line=$(scontrol -o show job "$id" 2>/dev/null) || [ -z "$line" ]; then
      echo "job $id: outcome unknown (slurmctld no longer knows it)" >&2
      failed=1
      continue
    fi
    while read -r task_line; do
      state=$(grep -o 'JobState=[A-Z_]*' <<<"$task_line" | cut -d= -f2)
      task=$(grep -o 'ArrayTaskId=[0-9]*' <<<"$task_line" | cut -d= -f2 || true)
      code=$(grep -o ' ExitCode=[0-9:]*' <<<"$task_line" | cut -d= -f2)
      [ "$state" = COMPLETED ] && continue
      [ "$state" = FAILED ] && state="exit code ${code%%:*}"
      echo "$("$describe" "$id" "$task") failed: $state" >&2
      failed=1
    done < <(awk '{ k = match($0, /ArrayTaskId=[0-9]+/) ? substr($0, RSTART + 12, RLENGTH - 12) : 0
                    print k " " $0 }' <<<"$line" | sort -n -k1,1 | cut -d' ' -f2-)
  done
  return $failed
}
