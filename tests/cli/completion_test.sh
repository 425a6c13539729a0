#!/usr/bin/env bash
# The bash completion offers the program's commands, a command's options and the --type values.
# Usage: completion_test.sh COMPLETION_FILE QUILLMORA_CLI
set -u
source "$1"
cli=$2
failures=0

# expect "WORDS TYPED..." "EXPECTED REPLY": completes the last word.
expect() {
  read -ra COMP_WORDS <<<"$cli $1"
  [[ $1 == *" " ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  _quillmora_cli
  if [ "${COMPREPLY[*]}" != "$2" ]; then
    echo "FAIL: '$1' completed to '${COMPREPLY[*]}', expected '$2'"
    failures=$((failures + 1))
  fi
}

expect "ren" "render"
expect "help ty" "types"
expect "render --sup" "--supersample"
expect "render --type newtonm" "newtonmset1 newtonmset2 newtonmset4 newtonmset5"
expect "render in.qmp --type m" "mandel mandelorder"
expect "kernel nov" "nova novavar1 novavar2"
expect "render --model h" "hls"
expect "params -" "-o --output --help"
expect "render -o " ""
[ $failures -eq 0 ] && echo "completion: all cases pass"
exit $((failures > 0))
