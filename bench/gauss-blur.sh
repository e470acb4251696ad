#!/bin/sh
# Speed of rv-gauss-blur on 1920x1080 frames with "-s auto", at -j 1 and -j 2:
# a constant deviation of 3 pixels, and a deviation that differs at every pixel
# (0.75 to 5.25, growing to the right and downwards).  Next to it, in the same
# run: cat(1) of the same bytes through a pipe, and ffmpeg's gblur=sigma=3 and
# varblur (radius 2 to 16 from a plane that grows the same way) on gbrapf32le
# frames of the same size.
#
# Usage: bench/gauss-blur.sh BINDIR [SCRATCHDIR]
# Environment: WIDTH, HEIGHT (default 1920x1080), FRAMES (default 4).
# The streams (about 800 MB) are made in a temporary directory under
# SCRATCHDIR (default /tmp) and removed at the end.  Needs python3; ffmpeg is
# measured when installed.  The machine's load average is printed first and
# last: on a shared machine compare figures of the same run only.
set -eu
. "$(dirname "$0")/common.sh"
start 'BINDIR [SCRATCHDIR]' "$@"
needs python3
sizes 1920 1080 4

"$bin/rv-single-colour" -f "$frames" -w "$width" -h "$height" 0.4 0.8 0.3 > "$work/in.rv"
"$bin/rv-single-colour" -f "$frames" -w "$width" -h "$height" 3 3 3 > "$work/constant.rv"
# The varying deviation as a stream, and as a grayf32le plane of 0 to 1 for
# varblur's radius input.
varying_deviation "$width" "$height" "$frames" "$work/varying.rv" "$work/radius.gray"
cat "$work"/*.rv "$work/radius.gray" > /dev/null # into the page cache

echo "== load average before: $(cut -d' ' -f1-3 /proc/loadavg 2>/dev/null || uptime)"
echo "== $frames frames of ${width}x${height} ($(wc -c < "$work/in.rv") bytes), -s auto"
rate_frames=$frames
baseline "cat" 'cat < "$work/in.rv"'
for sd in constant varying; do
    export sd
    measure "rv-gauss-blur $sd -j 1" '"$bin/rv-gauss-blur" -j 1 -s auto "$work/$sd.rv" < "$work/in.rv"'
    one=$wall
    measure "rv-gauss-blur $sd -j 2" '"$bin/rv-gauss-blur" -j 2 -s auto "$work/$sd.rv" < "$work/in.rv"'
    eval "wall_$sd=\$wall"
    echo "  speed-up of -j 2 over -j 1: $(ratio "$one" "$wall")"
done

echo "== ffmpeg on gbrapf32le, $frames frames of ${width}x${height}"
if command -v ffmpeg >/dev/null; then
    set_baseline
    measure "ffmpeg gblur=sigma=3" 'ffmpeg -nostdin -v error -f lavfi -i "color=gray:s=${width}x$height" \
        -frames:v "$frames" -vf "format=gbrapf32le,gblur=sigma=3" -f null -'
    gblur_wall=$wall
    measure "ffmpeg varblur=min_r=2:max_r=16" 'ffmpeg -nostdin -v error \
        -f lavfi -i "color=gray:s=${width}x$height" \
        -f rawvideo -pix_fmt grayf32le -s "${width}x$height" -i "$work/radius.gray" \
        -filter_complex "[0]format=gbrapf32le[a];[1]format=gbrapf32le[b];[a][b]varblur=min_r=2:max_r=16" \
        -frames:v "$frames" -f null -'
    # frames per second of rv over those of ffmpeg: ffmpeg's wall time over rv's
    echo "  rv-gauss-blur -j 2 constant / gblur: $(ratio "$gblur_wall" "$wall_constant")"
    echo "  rv-gauss-blur -j 2 varying / varblur: $(ratio "$wall" "$wall_varying")"
else
    echo "  ffmpeg: not installed"
fi
echo "== load average after: $(cut -d' ' -f1-3 /proc/loadavg 2>/dev/null || uptime)"
