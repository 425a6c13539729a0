#!/usr/bin/env bash
# The manual page written from the help text names every command and every option of each
# command's `help COMMAND`, and man formats it without a warning.
# Usage: manpage_test.sh MAKE_MANPAGE QUILLMORA_CLI
set -u
make_manpage=$1
cli=$2
page=$(mktemp --suffix=.1)
trap 'rm -f "$page"' EXIT
failures=0
bash "$make_manpage" "$cli" "summary" "$page" || { echo "FAIL: make-manpage.sh failed"; exit 1; }

for command in $("$cli" --help | sed -n 's/^  \([a-z][a-z]*\).*/\1/p'); do
  grep -qx ".SS $command" "$page" || { echo "FAIL: no section for $command"; failures=$((failures + 1)); }
  for option in $("$cli" help "$command" | sed -n 's/^  \(-[a-z-]*\).*/\1/p'); do
    roff=${option//-/\\-}
    grep -qF "\\fB$roff\\fR" "$page" ||
      { echo "FAIL: $command $option is not in the page"; failures=$((failures + 1)); }
  done
done
warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
[ -z "$warnings" ] || { echo "FAIL: man warns: $warnings"; failures=$((failures + 1)); }
[ $failures -eq 0 ] && echo "manual page: every command and option is in it"
