#!/bin/sh
# Throughput of the stream makers: rv-make-head wrapping 256 MiB of raw
# pixels, rv-from-text reading 2 million pixels of text, and rv-rewrite-head
# moving the 256 MiB of a stream file whose head grows by one byte.  Each is
# set next to a baseline on the same bytes: cat(1) through a pipe for the
# first two, cp(1) of the file for the third.
#
# Usage: bench/create.sh BINDIR [SCRATCHDIR]
# About 1 GiB of files are made under SCRATCHDIR (default /tmp) and removed.
set -eu
bin=$(cd "${1:?usage: create.sh BINDIR [SCRATCHDIR]}" && pwd)
scratch=${2:-/tmp}
PATH=$bin:$PATH
work=$(mktemp -d "$scratch/rv-bench-create.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 1' INT TERM

. "$(dirname "$0")/common.sh"

# measure LABEL INPUT COMMAND...: one timed run, printed.
measure() { report "$@"; }

# 256 MiB of pixels: 64 frames of 512x256.
rv-single-colour -f 64 -w 512 -h 256 0.25 0.5 0.75 1 | { rv-read-head > /dev/null; cat; } \
    > "$work/raw"
echo "rv-make-head, 256 MiB of raw pixels"
base=0
measure "cat" "$work/raw" cat
base=$last
measure "rv-make-head -f 64 512 256" "$work/raw" rv-make-head -f 64 512 256 xyza

# 2 million pixels of text, as rv-to-text prints them.
rv-single-colour -f 8 -w 512 -h 512 0.25 0.5 0.75 1 | rv-to-text > "$work/text"
echo "rv-from-text, $(wc -c < "$work/text") bytes of text (2097152 pixels)"
base=0
measure "cat" "$work/text" cat
base=$last
measure "rv-from-text" "$work/text" rv-from-text

# A head of 9 frames over 10 frames of data: the new head is a byte longer.
{ rv-write-head 9 512 2048 xyza; cat "$work/raw" "$work/raw" | head -c $((10 * 512 * 2048 * 32)); } \
    > "$work/grow.rv"
echo "rv-rewrite-head, a head one byte longer before $((10 * 32)) MiB of frames"
base=0
measure "cp" /dev/null cp "$work/grow.rv" "$work/copy.rv"
base=$last
measure "rv-rewrite-head" /dev/null rv-rewrite-head "$work/grow.rv"
rv-read-head < "$work/grow.rv"
