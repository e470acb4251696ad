#!/bin/sh
# Speed of rv-gauss-blur on 1920x1080 frames with "-s auto", at -j 1 and -j 2:
# a constant deviation of 3 pixels, and a deviation that differs at every pixel
# (0.75 to 5.25, growing to the right and downwards).  Next to it, in the same
# run: cat(1) of the same bytes through a pipe, and ffmpeg's gblur=sigma=3 and
# varblur (radius 2 to 16 from a plane that grows the same way) on gbrapf32le
# frames of the same size.
#
# Usage: bench/gauss-blur.sh BINDIR [SCRATCHDIR]
# The streams (about 800 MB) are made in a temporary directory under
# SCRATCHDIR (default /tmp) and removed at the end.  Needs python3; ffmpeg is
# measured when installed.  The machine's load average is printed first and
# last: on a shared machine compare figures of the same run only.
set -eu
bin=$(cd "${1:?usage: gauss-blur.sh BINDIR [SCRATCHDIR]}" && pwd)
scratch=${2:-/tmp}
command -v python3 >/dev/null || { echo "gauss-blur.sh: python3 is needed" >&2; exit 1; }
work=$(mktemp -d "$scratch/rv-bench-gauss-blur.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 1' INT TERM

width=1920 height=1080 frames=4

"$bin/rv-single-colour" -f $frames -w $width -h $height 0.4 0.8 0.3 > "$work/in.rv"
"$bin/rv-single-colour" -f $frames -w $width -h $height 3 3 3 > "$work/constant.rv"
# The varying deviation as a stream, and as a grayf32le plane of 0 to 1 for
# varblur's radius input.
python3 - "$width" "$height" "$frames" "$work/varying.rv" "$work/radius.gray" <<'EOF'
import array, sys
w, h, n = map(int, sys.argv[1:4])
frame, plane = bytearray(), bytearray()
for y in range(h):
    row, radius = array.array("d"), array.array("f")
    for x in range(w):
        t = (x / (w - 1) + y / (h - 1)) / 2
        s = 0.75 + 4.5 * t
        row.extend((s, s, s, 1.0))
        radius.append(t)
    frame += row.tobytes()
    plane += radius.tobytes()
with open(sys.argv[4], "wb") as out:
    out.write(b"%d %d %d xyza\n\0uivf" % (n, w, h))
    for k in range(n):
        out.write(frame)
with open(sys.argv[5], "wb") as out:
    for k in range(n):
        out.write(plane)
EOF
cat "$work"/*.rv "$work/radius.gray" > /dev/null # into the page cache

. "$(dirname "$0")/common.sh"

# measure LABEL COMMAND...: one timed run, standard output into a pipe to
# cat >/dev/null.  Prints wall and CPU seconds (user + sys, workers included)
# and frames per second.  Sets last_wall and last_fps.
measure()
{
    label=$1
    shift
    timed /dev/null "$@"
    awk -v l="$label" -v w="$wall" -v u="$user" -v s="$sys" -v f="$frames" '
        BEGIN {
            printf "  %-34s wall %6.2f s  cpu %6.2f s (user %5.2f, sys %5.2f)  %6.2f frames/s\n",
                   l, w, u + s, u, s, (w > 0 ? f / w : 0)
        }'
    last_wall=$wall
    last_fps=$(awk -v w="$wall" -v f="$frames" 'BEGIN { print (w > 0 ? f / w : 0) }')
}

echo "== load average before: $(cut -d' ' -f1-3 /proc/loadavg 2>/dev/null || uptime)"
echo "== $frames frames of ${width}x${height} ($(wc -c < "$work/in.rv") bytes), -s auto"
measure "cat (baseline)" sh -c 'cat < "$1"' sh "$work/in.rv"
for sd in constant varying; do
    measure "rv-gauss-blur $sd -j 1" sh -c '"$1" -j 1 -s auto "$2" < "$3"' sh \
        "$bin/rv-gauss-blur" "$work/$sd.rv" "$work/in.rv"
    one=$last_wall
    measure "rv-gauss-blur $sd -j 2" sh -c '"$1" -j 2 -s auto "$2" < "$3"' sh \
        "$bin/rv-gauss-blur" "$work/$sd.rv" "$work/in.rv"
    eval "fps_$sd=\$last_fps"
    echo "  speed-up of -j 2 over -j 1: $(ratio "$one" "$last_wall")"
done

echo "== ffmpeg on gbrapf32le, $frames frames of ${width}x${height}"
if command -v ffmpeg >/dev/null; then
    source="color=gray:s=${width}x$height"
    measure "ffmpeg gblur=sigma=3" ffmpeg -nostdin -v error -f lavfi -i "$source" \
        -frames:v $frames -vf "format=gbrapf32le,gblur=sigma=3" -f null -
    gblur_fps=$last_fps
    measure "ffmpeg varblur=min_r=2:max_r=16" ffmpeg -nostdin -v error -f lavfi -i "$source" \
        -f rawvideo -pix_fmt grayf32le -s ${width}x$height -i "$work/radius.gray" \
        -filter_complex "[0]format=gbrapf32le[a];[1]format=gbrapf32le[b];[a][b]varblur=min_r=2:max_r=16" \
        -frames:v $frames -f null -
    varblur_fps=$last_fps
    echo "  rv-gauss-blur -j 2 constant / gblur: $(ratio "$fps_constant" "$gblur_fps")"
    echo "  rv-gauss-blur -j 2 varying / varblur: $(ratio "$fps_varying" "$varblur_fps")"
else
    echo "  ffmpeg: not installed"
fi
echo "== load average after: $(cut -d' ' -f1-3 /proc/loadavg 2>/dev/null || uptime)"
