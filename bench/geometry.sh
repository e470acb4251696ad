#!/bin/sh
# Throughput of rv-crop (the centred half), rv-flip, rv-flop and rv-transpose
# on a 1920x1080 stream of 16 frames (1.06 GB), each next to cat(1) of the
# same bytes and next to ffmpeg doing the same job on 16 frames of the same
# size in its planar float format gbrapf32le (four 32-bit floats a pixel, half
# the bytes of xyza).
#
# Usage: bench/geometry.sh BINDIR [SCRATCHDIR]
# Environment: WIDTH, HEIGHT (default 1920x1080), FRAMES (default 16).
# The two inputs (1.6 GB) are made from random bytes in a temporary directory
# under SCRATCHDIR (default /tmp) and removed at the end.
set -eu
. "$(dirname "$0")/common.sh"
start 'BINDIR [SCRATCHDIR]' "$@"
needs ffmpeg
sizes 1920 1080 16

{ stream_head "$frames" "$width" "$height"
  head -c $((width * height * 32 * frames)) /dev/urandom; } > "$work/in.rv"
head -c $((width * height * 16 * frames)) /dev/urandom > "$work/in.gbrapf32"
cat "$work/in.rv" "$work/in.gbrapf32" > /dev/null # into the page cache

echo "== $frames frames of ${width}x${height}: xyza $(wc -c < "$work/in.rv") bytes," \
     "gbrapf32le $(wc -c < "$work/in.gbrapf32") bytes"
cat_baselines "$work/in.rv" "$work/in.gbrapf32"
cw=$((width / 2)) ch=$((height / 2)) cx=$((width / 4)) cy=$((height / 4))
for job in "crop:rv-crop $cw $ch $cx $cy:crop=$cw:$ch:$cx:$cy" "flip:rv-flip:vflip" \
           "flop:rv-flop:hflip" "transpose:rv-transpose:transpose"; do
    rv_and_ffmpeg "$job" '"$bin"/$rv < "$work/in.rv"' \
        'ffmpeg -hide_banner -loglevel error -f rawvideo -pix_fmt gbrapf32le \
            -s "${width}x${height}" -i - -vf "$filter" -f rawvideo - < "$work/in.gbrapf32"'
done
echo "wall and cpu in seconds; cpu is user + sys of the program alone; the baseline of each"
echo "job is cat of the same bytes through the same pipe."
