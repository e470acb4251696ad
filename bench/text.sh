#!/bin/sh
# Throughput of rv-to-text and rv-from-text in MB/s of stream bytes (the binary
# side of the text), for the programs of BINDIR next to those of an earlier
# build OLDBINDIR on the same bytes in the same run, with cat(1) of the text
# through a pipe as the baseline.  Inputs: one 1920x1080 frame of one colour,
# and one of varied values in [0, 1.5) printed with six decimals as rv-to-text
# prints them (made by awk and rv-from-text).  This machine is shared: read
# the figures as ratios within one run.
#
# Usage: bench/text.sh BINDIR [OLDBINDIR] [SCRATCHDIR]
# Environment: WIDTH, HEIGHT (default 1920x1080).
# About 400 MB of files are made under SCRATCHDIR (default /tmp) and removed.
set -eu
. "$(dirname "$0")/common.sh"
start 'BINDIR [OLDBINDIR] [SCRATCHDIR]' "${1:-}" "${3:-}"
old=${2:-}
[ -z "$old" ] || old=$(cd "$old" && pwd)
export old
sizes 1920 1080

# both NAME STREAM TEXT: rv-to-text on the stream, rv-from-text on the text.
both()
{
    stream=$2 text=$3
    export stream text
    rate_bytes=$(wc -c < "$stream")
    echo "$1: $rate_bytes stream bytes, $(wc -c < "$text") text bytes"
    baseline "cat of the text" 'cat < "$text"'
    for program in rv-to-text rv-from-text; do
        input=$stream
        [ "$program" = rv-to-text ] || input=$text
        export program input
        [ -z "$old" ] || measure "$program (old)" '"$old/$program" < "$input"'
        measure "$program" '"$bin/$program" < "$input"'
    done
}

"$bin/rv-single-colour" -w "$width" -h "$height" 0.25 0.5 0.75 1 > "$work/flat.rv"
"$bin/rv-to-text" < "$work/flat.rv" > "$work/flat.txt"
both "one colour" "$work/flat.rv" "$work/flat.txt"

awk -v n=$((width * height)) -v w="$width" -v h="$height" 'BEGIN {
    srand(1)
    printf "1 %d %d xyza\n", w, h
    for (i = 0; i < n; i++)
        printf "%.6f %.6f %.6f %.6f\n", 1.5 * rand(), 1.5 * rand(), 1.5 * rand(), rand() }' \
    > "$work/varied.txt"
"$bin/rv-from-text" < "$work/varied.txt" > "$work/varied.rv"
both "varied values" "$work/varied.rv" "$work/varied.txt"
