#!/bin/sh
# Throughput of rv-crop (the centred half), rv-flip, rv-flop and rv-transpose
# on a 1920x1080 stream of 16 frames (1.06 GB), each next to cat(1) of the
# same bytes and next to ffmpeg doing the same job on 16 frames of the same
# size in its planar float format gbrapf32le (four 32-bit floats a pixel, half
# the bytes of xyza).
#
# Usage: bench/geometry.sh BINDIR [SCRATCHDIR]
# The two inputs (1.6 GB) are made from random bytes in a temporary directory
# under SCRATCHDIR (default /tmp) and removed at the end.
set -eu
bin=$(cd "${1:?usage: geometry.sh BINDIR [SCRATCHDIR]}" && pwd)
scratch=${2:-/tmp}
command -v ffmpeg >/dev/null || { echo "geometry.sh: ffmpeg is needed" >&2; exit 1; }
work=$(mktemp -d "$scratch/rv-bench-geometry.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 1' INT TERM

width=1920 height=1080 frames=16

{ printf '%s %s %s xyza\n\0uivf' "$frames" "$width" "$height"
  head -c $((width * height * 32 * frames)) /dev/urandom; } > "$work/in.rv"
head -c $((width * height * 16 * frames)) /dev/urandom > "$work/in.gbrapf32"
cat "$work/in.rv" "$work/in.gbrapf32" > /dev/null # into the page cache

. "$(dirname "$0")/common.sh"

# measure COMMAND...: one timed run with standard input from $input.
measure() { timed "$input" "$@"; }

input=$work/in.rv
measure cat
cat_wall=$wall cat_cpu=$cpu
input=$work/in.gbrapf32
measure cat
fcat_wall=$wall fcat_cpu=$cpu

echo "== $frames frames of ${width}x${height}: xyza $(wc -c < "$work/in.rv") bytes," \
     "gbrapf32le $(wc -c < "$work/in.gbrapf32") bytes"
echo "   cat of the xyza bytes:       wall $cat_wall s  cpu $cat_cpu s"
echo "   cat of the gbrapf32le bytes: wall $fcat_wall s  cpu $fcat_cpu s"
printf '%-14s %8s %8s %8s | %-24s %8s %8s %8s | %s\n' job wall cpu 'x cat' ffmpeg wall cpu 'x cat' 'rv/ffmpeg wall'
for job in "crop:rv-crop 960 540 480 270:crop=960:540:480:270" "flip:rv-flip:vflip" \
           "flop:rv-flop:hflip" "transpose:rv-transpose:transpose"; do
    name=${job%%:*} rest=${job#*:}
    rv=${rest%%:*} filter=${rest#*:}
    input=$work/in.rv
    # shellcheck disable=SC2086 # the program and its operands
    measure "$bin"/$rv
    rv_wall=$wall rv_cpu=$cpu
    input=$work/in.gbrapf32
    measure ffmpeg -hide_banner -loglevel error -f rawvideo -pix_fmt gbrapf32le \
        -s "${width}x${height}" -i - -vf "$filter" -f rawvideo -
    printf '%-14s %8s %8s %8s | %-24s %8s %8s %8s | %s\n' "$name" "$rv_wall" "$rv_cpu" \
        "$(ratio "$rv_wall" "$cat_wall")" "$filter" "$wall" "$cpu" \
        "$(ratio "$wall" "$fcat_wall")" "$(ratio "$rv_wall" "$wall")"
done
echo "wall and cpu in seconds; cpu is user + sys of the program alone;"
echo "x cat: wall time over that of cat on the same bytes through the same pipe."
