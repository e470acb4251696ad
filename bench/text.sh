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
# About 400 MB of files are made under SCRATCHDIR (default /tmp) and removed.
set -eu
bin=$(cd "${1:?usage: text.sh BINDIR [OLDBINDIR] [SCRATCHDIR]}" && pwd)
old=${2:-}
[ -z "$old" ] || old=$(cd "$old" && pwd)
scratch=${3:-/tmp}
work=$(mktemp -d "$scratch/rv-bench-text.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 1' INT TERM

. "$(dirname "$0")/common.sh"

w=1920 h=1080

# rate LABEL BYTES INPUT COMMAND...: one timed run; wall and CPU seconds and
# the stream bytes per wall second.
rate()
{
    _label=$1 _bytes=$2
    shift 2
    timed "$@"
    awk -v l="$_label" -v w="$wall" -v u="$user" -v s="$sys" -v b="$_bytes" 'BEGIN {
        printf "  %-30s wall %6.2f s  cpu %6.2f s  %7.1f MB/s\n", l, w, u + s, (w > 0 ? b / w / 1e6 : 0) }'
}

# both NAME STREAM TEXT: rv-to-text on the stream, rv-from-text on the text.
both()
{
    _bytes=$(wc -c < "$2")
    echo "$1: $_bytes stream bytes, $(wc -c < "$3") text bytes"
    rate "cat of the text" "$_bytes" "$3" cat
    for _prog in rv-to-text rv-from-text; do
        _in=$2
        [ "$_prog" = rv-to-text ] || _in=$3
        [ -z "$old" ] || rate "$_prog (old)" "$_bytes" "$_in" "$old/$_prog"
        rate "$_prog" "$_bytes" "$_in" "$bin/$_prog"
    done
}

"$bin/rv-single-colour" -w $w -h $h 0.25 0.5 0.75 1 > "$work/flat.rv"
"$bin/rv-to-text" < "$work/flat.rv" > "$work/flat.txt"
both "one colour" "$work/flat.rv" "$work/flat.txt"

awk -v n=$((w * h)) -v w=$w -v h=$h 'BEGIN {
    srand(1)
    printf "1 %d %d xyza\n", w, h
    for (i = 0; i < n; i++)
        printf "%.6f %.6f %.6f %.6f\n", 1.5 * rand(), 1.5 * rand(), 1.5 * rand(), rand() }' \
    > "$work/varied.txt"
"$bin/rv-from-text" < "$work/varied.txt" > "$work/varied.rv"
both "varied values" "$work/varied.rv" "$work/varied.txt"
