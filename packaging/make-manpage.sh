#!/usr/bin/env bash
# Writes the manual page of quillmora or quillmora-cli from the program's own help text, so the
# page says what `--help` and `help COMMAND` say. The help texts share one layout: a "usage:"
# line, a paragraph, and "arguments:"/"options:" lists of "  NAME   description" items whose
# descriptions continue on deeper-indented lines.
# Usage: make-manpage.sh PROGRAM "ONE-LINE SUMMARY" OUT.1
set -euo pipefail
program=$1
summary=$2
out=$3
name=$(basename "$program")
version=$("$program" --version)
version=${version##* }

# Roff text of plain help text: backslashes and minus signs escaped, no line read as a request.
escape() {
  sed -e 's/\\/\\e/g' -e 's/-/\\-/g' -e 's/^/\\\&/'
}

# Roff body of a help text or a part of one (on stdin): a usage line with its command in bold,
# paragraphs filled, each list item a tagged paragraph with the option in bold and its argument
# in italics.
help_to_roff() {
  escape | awk '
    function flush() { if (desc != "") print desc; desc = "" }
    NR == 1 && /^\\&usage: / {
      sub(/^\\&usage: /, "")
      cmd = $0; sub(/ .*/, "", cmd)
      if ($0 ~ /^[^ ]+ [a-z]/) { sub2 = $2; rest = $0; sub(/^[^ ]+ [^ ]+ ?/, "", rest); cmd = cmd " " sub2 }
      else { rest = $0; sub(/^[^ ]+ ?/, "", rest) }
      print ".PP"; print "\\fB" cmd "\\fR " rest; next
    }
    /^\\&$/ { flush(); para = 1; next }
    /^\\&[a-z]+:$/ { flush(); sub(/^\\&/, ""); print ".PP"; print "\\fI" $0 "\\fR"; next }
    /^\\&  [^ ]/ {
      flush(); line = substr($0, 5)
      split(line, parts, /   */)
      item = parts[1]; desc = substr(line, length(item) + 1); sub(/^ +/, "", desc)
      word = item; sub(/ .*/, "", word); arg = substr(item, length(word) + 2)
      print ".TP"; print "\\fB" word "\\fR" (arg != "" ? " \\fI" arg "\\fR" : "")
      if (desc != "") desc = "\\&" desc
      next
    }
    /^\\&     / { t = $0; sub(/^\\& +/, "", t); desc = (desc == "" ? "\\&" t : desc " " t); next }
    { if (para) { print ".PP"; para = 0 } print }
    END { flush() }'
}

{
  upper=$(tr a-z A-Z <<<"$name")
  echo ".TH $(escape <<<"$upper" | sed 's/^\\&//') 1 \"\" \"Quillmora $version\" \"User Commands\""
  echo ".nh" # no hyphens inside option names
  echo ".ad l"
  echo ".SH NAME"
  echo "$name \\- $(escape <<<"$summary" | sed 's/^\\&//')"
  if [ "$name" = quillmora-cli ]; then
    echo ".SH SYNOPSIS"
    "$program" --help | sed -n '1,/^$/p' | sed -e '/^$/d' -e 's/^usage: //' -e 's/^ *//' | escape |
      sed -e 's/$/\n.br/'
    echo ".SH COMMANDS"
    for command in $("$program" --help | sed -n 's/^  \([a-z][a-z]*\).*/\1/p'); do
      echo ".SS $command"
      "$program" help "$command" | help_to_roff
    done
    echo ".SH SEE ALSO"
    echo ".BR quillmora (1)"
  else
    echo ".SH SYNOPSIS"
    "$program" --help | head -n 1 | help_to_roff | sed '1d' # no .PP right after the heading
    echo ".SH DESCRIPTION"
    "$program" --help | tail -n +3 | help_to_roff
    echo ".SH SEE ALSO"
    echo ".BR quillmora\\-cli (1)"
  fi
} >"$out.tmp"
mv "$out.tmp" "$out"
