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
# Environment: WIDTH, HEIGHT (default 1920x1080), FRAMES (default 16).
# The four inputs (3.2 GB) are made in a temporary directory under SCRATCHDIR
# (default /tmp) and removed at the end: one frame of random samples in [0, 1)
# each, repeated.  Needs python3 and ffmpeg.
set -eu
. "$(dirname "$0")/common.sh"
start 'BINDIR [SCRATCHDIR]' "$@"
needs python3 ffmpeg
sizes 1920 1080 16

# make SEED TYPE FILE: FILE is $frames copies of one frame of random samples
# of array type TYPE: "d", an xyza stream with its head, or "f", gbrapf32le
# frames.
make()
{
    python3 - "$1" "$2" $((width * height * 4)) > "$work/frame" <<'PY'
import array, random, sys
seed, kind, count = sys.argv[1:]
random.seed(int(seed))
sys.stdout.buffer.write(array.array(kind, (random.random() for _ in range(int(count)))).tobytes())
PY
    { [ "$2" = f ] || stream_head "$frames" "$width" "$height"; repeat "$frames" "$work/frame"; } > "$3"
    rm "$work/frame"
}
make 1 d "$work/left.rv"
make 2 d "$work/right.rv"
make 1 f "$work/left.f32"
make 2 f "$work/right.f32"
cat "$work"/* > /dev/null # into the page cache

echo "== two streams of $frames frames of ${width}x${height}:" \
     "xyza $(wc -c < "$work/left.rv") bytes each, gbrapf32le $(wc -c < "$work/left.f32") bytes each"
cat_baselines "$work/left.rv" "$work/left.f32"
for job in "add:rv-arith add:blend=all_mode=addition" \
           "stack:rv-stack -:blend=all_mode=normal:all_opacity=0.5" \
           "stack -b:rv-stack -b -:blend=all_mode=normal:all_opacity=0.5"; do
    rv_and_ffmpeg "$job" '"$bin"/$rv "$work/right.rv" < "$work/left.rv"' \
        'ffmpeg -hide_banner -loglevel error -nostats \
            -f rawvideo -pix_fmt gbrapf32le -s "${width}x${height}" -i - \
            -f rawvideo -pix_fmt gbrapf32le -s "${width}x${height}" -i "$work/right.f32" \
            -filter_complex "[0][1]$filter" -f rawvideo -pix_fmt gbrapf32le - < "$work/left.f32"'
done
echo "wall and cpu in seconds; cpu is user + sys of the program alone;"
echo "the baseline of each rv job is cat of the left xyza bytes through the same pipe, that of"
echo "ffmpeg cat of the left gbrapf32le bytes (each program also reads the right input, as"
echo "many bytes again, from a file)."
