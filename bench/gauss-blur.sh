#!/bin/sh
# Speed of rv-gauss-blur on 1920x1080 frames with "-s auto", at -j 1 and -j 2:
# a constant deviation of 3 pixels, and a deviation that differs at every pixel
# (0.5 to 5.5, growing to the right and downwards).  Next to it: cat(1) of the
# same bytes through a pipe, ImageMagick's -gaussian-blur 0x3 and ffmpeg's
# gblur=sigma=3 on frames of the same size.
#
# Usage: bench/gauss-blur.sh BINDIR [SCRATCHDIR]
# The streams (about 800 MB) are made in a temporary directory under
# SCRATCHDIR (default /tmp) and removed at the end.  Needs python3 for the
# varying deviation; convert and ffmpeg are measured when installed.
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
python3 - "$width" "$height" "$frames" > "$work/varying.rv" <<'EOF'
import array, sys
w, h, n = map(int, sys.argv[1:])
out = sys.stdout.buffer
out.write(b"%d %d %d xyza\n\0uivf" % (n, w, h))
frame = bytearray()
for y in range(h):
    row = array.array("d")
    for x in range(w):
        s = 0.5 + 2.5 * (x / (w - 1) + y / (h - 1))
        row.extend((s, s, s, 1.0))
    frame += row.tobytes()
for k in range(n):
    out.write(frame)
EOF
cat "$work"/*.rv > /dev/null # into the page cache

. "$(dirname "$0")/common.sh"

# measure LABEL COMMAND...: one timed run, standard output into a pipe to
# cat >/dev/null.  Prints wall and CPU seconds (user + sys, workers included),
# frames per second, and with $base_wall/$base_cpu set the ratios to them.
measure()
{
    label=$1
    shift
    timed /dev/null "$@"
    awk -v l="$label" -v w="$wall" -v u="$user" -v s="$sys" -v f="$frames" \
        -v bw="${base_wall:-0}" -v bc="${base_cpu:-0}" '
        BEGIN {
            printf "  %-30s wall %6.2f s  cpu %6.2f s (user %5.2f, sys %5.2f)  %6.2f frames/s",
                   l, w, u + s, u, s, (w > 0 ? f / w : 0)
            if (bw > 0)
                printf "  time x%.0f, cpu x%.0f", w / bw, (bc > 0 ? (u + s) / bc : 0)
            printf "\n"
        }'
    last_wall=$wall
    last_cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }')
}

echo "== $frames frames of ${width}x${height} ($(wc -c < "$work/in.rv") bytes), -s auto"
base_wall= base_cpu=
measure "cat (baseline)" sh -c 'cat < "$1"' sh "$work/in.rv"
base_wall=$last_wall base_cpu=$last_cpu
for sd in constant varying; do
    measure "rv-gauss-blur $sd -j 1" sh -c '"$1" -j 1 -s auto "$2" < "$3"' sh \
        "$bin/rv-gauss-blur" "$work/$sd.rv" "$work/in.rv"
    one=$last_wall
    measure "rv-gauss-blur $sd -j 2" sh -c '"$1" -j 2 -s auto "$2" < "$3"' sh \
        "$bin/rv-gauss-blur" "$work/$sd.rv" "$work/in.rv"
    awk -v a="$one" -v b="$last_wall" \
        'BEGIN { printf "  speed-up of -j 2 over -j 1: %.2f\n", (b > 0 ? a / b : 0) }'
done

echo "== the same blur elsewhere, $frames frames of ${width}x${height}"
if command -v convert >/dev/null; then
    images=
    for k in $(seq $frames); do images="$images xc:gray40"; done
    # shellcheck disable=SC2086
    measure "convert -gaussian-blur 0x3" convert -size ${width}x$height $images \
        -gaussian-blur 0x3 null:
    # shellcheck disable=SC2086
    measure "  the same, one thread" env MAGICK_THREAD_LIMIT=1 convert \
        -size ${width}x$height $images -gaussian-blur 0x3 null:
else
    echo "  convert: not installed"
fi
if command -v ffmpeg >/dev/null; then
    for fmt in yuv420p gbrpf32le; do
        measure "ffmpeg gblur=sigma=3 $fmt" ffmpeg -nostdin -v error -f lavfi \
            -i "color=gray:s=${width}x$height" -frames:v $frames \
            -vf "format=$fmt,gblur=sigma=3" -f null -
        measure "  the same, one thread" ffmpeg -nostdin -v error -filter_threads 1 \
            -threads 1 -f lavfi -i "color=gray:s=${width}x$height" -frames:v $frames \
            -vf "format=$fmt,gblur=sigma=3" -f null -
    done
else
    echo "  ffmpeg: not installed"
fi
