#!/bin/sh
# Throughput of the stream makers: rv-make-head wrapping 256 MiB of raw
# pixels, rv-from-text reading 2 million pixels of text, and rv-rewrite-head
# moving the 320 MiB of a stream file whose head grows by one byte.  Each is
# set next to a baseline on the same bytes: cat(1) through a pipe for the
# first two, cp(1) of the file for the third.
#
# Usage: bench/create.sh BINDIR [SCRATCHDIR]
# Environment: WIDTH, HEIGHT (default 512x256), FRAMES (default 64): the raw
# pixels are FRAMES frames of WIDTHxHEIGHT, the text 8 frames of twice the
# height, the stream file 10 frames of 8 times the height.
# About 1 GiB of files are made under SCRATCHDIR (default /tmp) and removed.
set -eu
. "$(dirname "$0")/common.sh"
start 'BINDIR [SCRATCHDIR]' "$@"
PATH=$bin:$PATH
sizes 512 256 64

# Raw pixels: 256 MiB at the defaults, 64 frames of 512x256.
rv-single-colour -f "$frames" -w "$width" -h "$height" 0.25 0.5 0.75 1 |
    { rv-read-head > /dev/null; cat; } > "$work/raw"
echo "rv-make-head, $(wc -c < "$work/raw") bytes of raw pixels"
baseline "cat" 'cat < "$work/raw"'
measure "rv-make-head -f $frames $width $height" \
    'rv-make-head -f "$frames" "$width" "$height" xyza < "$work/raw"'

# 8 frames of twice the height as text (2 million pixels at the defaults), as
# rv-to-text prints them.
rv-single-colour -f 8 -w "$width" -h $((2 * height)) 0.25 0.5 0.75 1 | rv-to-text > "$work/text"
echo "rv-from-text, $(wc -c < "$work/text") bytes of text ($((16 * width * height)) pixels)"
baseline "cat" 'cat < "$work/text"'
measure "rv-from-text" 'rv-from-text < "$work/text"'

# A head of 9 frames over 10 frames of data: the new head is a byte longer.
frame_bytes=$((width * 8 * height * 32))
{ rv-write-head 9 "$width" $((8 * height)) xyza
  repeat $(((80 + frames - 1) / frames)) "$work/raw" | head -c $((10 * frame_bytes)); } \
    > "$work/grow.rv"
echo "rv-rewrite-head, a head one byte longer before $((10 * frame_bytes)) bytes of frames"
baseline "cp" 'cp "$work/grow.rv" "$work/copy.rv"'
measure "rv-rewrite-head" 'rv-rewrite-head "$work/grow.rv"'
rv-read-head < "$work/grow.rv"
