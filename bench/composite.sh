#!/bin/sh
# Throughput of "rv-arith add" and rv-stack (and rv-stack -b) on two 1920x1080
# streams of 16 frames (1.06 GB each), next to cat(1) of the left stream's
# bytes through the same pipe, and next to ffmpeg's blend filter on the same
# frames in its planar float format gbrapf32le (four 32-bit floats a pixel,
# half the bytes of xyza): all_mode=addition for the sum, all_mode=normal with
# all_opacity=0.5 for a two-layer mix.  ffmpeg's overlay filter has no float
# path in this version, so it is not measured.
#
# Usage: bench/composite.sh BINDIR [SCRATCHDIR]
# The four inputs (3.2 GB) are made in a temporary directory under SCRATCHDIR
# (default /tmp) and removed at the end: one frame of random samples in [0, 1)
# each, repeated.  Needs python3 and ffmpeg.
set -eu
bin=$(cd "${1:?usage: composite.sh BINDIR [SCRATCHDIR]}" && pwd)
scratch=${2:-/tmp}
command -v python3 >/dev/null || { echo "composite.sh: python3 is needed" >&2; exit 1; }
command -v ffmpeg >/dev/null || { echo "composite.sh: ffmpeg is needed" >&2; exit 1; }
work=$(mktemp -d "$scratch/rv-bench-composite.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 1' INT TERM

width=1920 height=1080 frames=16

# make SEED TYPE HEAD FILE: FILE is HEAD, then $frames copies of one frame of
# random samples of array type TYPE ("d" or "f").
make()
{
    python3 - "$1" "$2" "$3" $((width * height * 4)) $frames > "$4" <<'PY'
import array, random, sys
seed, kind, head, count, frames = sys.argv[1:]
random.seed(int(seed))
frame = array.array(kind, (random.random() for _ in range(int(count)))).tobytes()
out = sys.stdout.buffer
out.write(head.encode().replace(b"@", b"\0"))
for _ in range(int(frames)):
    out.write(frame)
PY
}
head="$frames $width $height xyza
@uivf"
make 1 d "$head" "$work/left.rv"
make 2 d "$head" "$work/right.rv"
make 1 f "" "$work/left.f32"
make 2 f "" "$work/right.f32"
cat "$work"/* > /dev/null # into the page cache

. "$(dirname "$0")/common.sh"

# measure COMMAND...: one timed run with standard input from $input.
measure() { timed "$input" "$@"; }

input=$work/left.rv
measure cat
cat_wall=$wall cat_cpu=$cpu
input=$work/left.f32
measure cat
fcat_wall=$wall fcat_cpu=$cpu

echo "== two streams of $frames frames of ${width}x${height}:" \
     "xyza $(wc -c < "$work/left.rv") bytes each, gbrapf32le $(wc -c < "$work/left.f32") bytes each"
echo "   cat of the left xyza bytes:       wall $cat_wall s  cpu $cat_cpu s"
echo "   cat of the left gbrapf32le bytes: wall $fcat_wall s  cpu $fcat_cpu s"
printf '%-10s %7s %7s %7s | %-38s %7s %7s %7s | %s\n' job wall cpu 'x cat' ffmpeg wall cpu \
    'x cat' 'rv/ffmpeg wall'
for job in "add:rv-arith add:blend=all_mode=addition" \
           "stack:rv-stack -:blend=all_mode=normal:all_opacity=0.5" \
           "stack -b:rv-stack -b -:blend=all_mode=normal:all_opacity=0.5"; do
    name=${job%%:*} rest=${job#*:}
    rv=${rest%%:*} filter=${rest#*:}
    input=$work/left.rv
    # shellcheck disable=SC2086 # the program and its operands
    measure "$bin"/$rv "$work/right.rv"
    rv_wall=$wall rv_cpu=$cpu
    input=$work/left.f32
    measure ffmpeg -hide_banner -loglevel error -nostats \
        -f rawvideo -pix_fmt gbrapf32le -s "${width}x${height}" -i - \
        -f rawvideo -pix_fmt gbrapf32le -s "${width}x${height}" -i "$work/right.f32" \
        -filter_complex "[0][1]$filter" -f rawvideo -pix_fmt gbrapf32le -
    printf '%-10s %7s %7s %7s | %-38s %7s %7s %7s | %s\n' "$name" "$rv_wall" "$rv_cpu" \
        "$(ratio "$rv_wall" "$cat_wall")" "$filter" "$wall" "$cpu" \
        "$(ratio "$wall" "$fcat_wall")" "$(ratio "$rv_wall" "$wall")"
done
echo "wall and cpu in seconds; cpu is user + sys of the program alone;"
echo "x cat: wall time over that of cat of the left input's bytes through the same pipe"
echo "(each program also reads the right input, as many bytes again, from a file)."
