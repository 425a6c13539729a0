# bash completion for quillmora-cli: the commands, each command's options and the values of
# --type, --model and --resolution-change. Commands, options and types are read from the
# program being completed (its --help, `help COMMAND` and `types`), so they never go stale.
_quillmora_cli() {
  local cli=${COMP_WORDS[0]} cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
  local cmd=${COMP_WORDS[1]} words=""
  COMPREPLY=()
  if [ "$COMP_CWORD" -eq 1 ] || { [ "$cmd" = help ] && [ "$COMP_CWORD" -eq 2 ]; }; then
    words=$("$cli" --help 2>/dev/null | sed -n 's/^  \([a-z][a-z]*\).*/\1/p')
  elif [ "$prev" = --type ] || { [ "$cmd" = kernel ] && [ "$COMP_CWORD" -eq 2 ]; }; then
    words=$("$cli" types 2>/dev/null | cut -d' ' -f1)
  elif [ "$prev" = --model ]; then
    words="palette rgb hls"
  elif [ "$prev" = --resolution-change ]; then
    words="ignore raise"
  elif [[ $cur == -* ]]; then
    words="$("$cli" help "$cmd" 2>/dev/null | sed -n 's/^  \(--*[a-z][a-z-]*\).*/\1/p') --help"
  else
    return 0 # file names, from -o default
  fi
  mapfile -t COMPREPLY < <(compgen -W "$words" -- "$cur")
}
complete -o default -F _quillmora_cli quillmora-cli
