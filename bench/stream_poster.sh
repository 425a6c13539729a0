#!/bin/sh
# Peak resident memory and times of the streamed poster, as /usr/bin/time -v reports them:
#   bench/stream_poster.sh [path/to/quillmora-cli]   (QM_STREAM_SIDE: side, default 20000)
# Renders the default view at Max 256 into a PNG and a PPM in $TMPDIR and removes them.
set -eu
cli=${1:-build/release/src/cli/quillmora-cli}
side=${QM_STREAM_SIDE:-20000}
dir=${TMPDIR:-/tmp}
log=$(mktemp)
trap 'rm -f "$log" "$dir/qm_poster.png" "$dir/qm_poster.ppm"' EXIT
for ext in png ppm; do
    /usr/bin/time -v "$cli" render --size "${side}x${side}" --max 256 -o "$dir/qm_poster.$ext" \
        --quiet --stats >"$log.out" 2>"$log"
    printf '%s %sx%s: %s' "$ext" "$side" "$side" "$(cat "$log.out")"
    printf ', file %s bytes\n' "$(wc -c <"$dir/qm_poster.$ext")"
    grep -E 'Elapsed \(wall|Maximum resident|User time|System time' "$log" | sed 's/^\s*/    /'
    rm -f "$log.out" "$dir/qm_poster.$ext"
done
