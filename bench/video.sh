#!/bin/sh
# Speed of the video converters on a real clip: a few seconds of ffmpeg's
# testsrc2 at 1080p, encoded with libx264 (mpeg4 where that is missing).
# rv-from-video decodes it with -L to /dev/null and into a file (head last),
# next to ffmpeg alone decoding the same clip to raw ayuv64le; rv-to-video
# encodes the decoded stream for ffmpeg's null muxer, next to ffmpeg alone
# reading the same pixels as raw ayuv64le from a file.  Wall and CPU seconds
# count the ffmpeg child too; ratios are of wall time to the baseline just
# above them, measured in the same run.
#
# Usage: bench/video.sh BINDIR [SCRATCHDIR [SECONDS]]
# SECONDS of video (default 2) take about 2.1 GB of files per second under
# SCRATCHDIR (default /tmp), removed at the end.
set -eu
bin=$(cd "${1:?usage: video.sh BINDIR [SCRATCHDIR [SECONDS]]}" && pwd)
scratch=${2:-/tmp}
seconds=${3:-2}
work=$(mktemp -d "$scratch/rv-bench-video.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 1' INT TERM
PATH=$bin:$PATH
export PATH

. "$(dirname "$0")/common.sh"

# measure LABEL INPUT OUTPUT COMMAND...: one timed run with standard input
# from INPUT and standard output into OUTPUT, printed with the multiple of
# $base (a baseline's wall time) when that is set.  What the command says on
# standard error (ffmpeg's progress) is shown only when it fails.
measure()
{
    _label=$1 _input=$2 _output=$3
    shift 3
    /usr/bin/time -f '%e %U %S' -o "$work/time" "$@" < "$_input" > "$_output" 2> "$work/err" ||
        { cat "$work/err" >&2; exit 1; }
    read -r wall user sys < "$work/time"
    awk -v l="$_label" -v w="$wall" -v u="$user" -v s="$sys" -v base="${base:-0}" 'BEGIN {
        printf "  %-34s wall %6.2f s  cpu %6.2f s (user %5.2f, sys %5.2f)", l, w, u + s, u, s
        if (base > 0) printf "  %6.2f x baseline", w / base
        printf "\n" }'
    last=$wall
}

w=1920 h=1080 rate=25
codec=libx264
ffmpeg -hide_banner -encoders 2>/dev/null | grep -q ' libx264 ' || codec=mpeg4
clip=$work/clip.mp4
ffmpeg -nostdin -v error -f lavfi -i testsrc2=size=${w}x$h:rate=$rate -t "$seconds" \
    -c:v $codec -pix_fmt yuv420p "$clip"
frames=$(ffprobe -v error -count_frames -select_streams v -show_entries stream=nb_read_frames \
    -of default=noprint_wrappers=1:nokey=1 "$clip")

echo "rv-from-video, $frames frames of ${w}x$h testsrc2 ($codec)"
base=0
measure "ffmpeg to ayuv64le" /dev/null /dev/null \
    ffmpeg -nostdin -v error -i "$clip" -f rawvideo -pix_fmt ayuv64le -
base=$last
measure "rv-from-video -L" /dev/null /dev/null rv-from-video -L "$clip" -
measure "rv-from-video -L -d" /dev/null /dev/null rv-from-video -L -d "$clip" -
measure "rv-from-video into a file" /dev/null /dev/null rv-from-video "$clip" "$work/clip.rv"

echo "rv-to-video, the same frames for the null muxer"
ffmpeg -nostdin -v error -i "$clip" -f rawvideo -pix_fmt ayuv64le "$work/clip.ayuv"
base=0
measure "ffmpeg from ayuv64le" /dev/null /dev/null ffmpeg -nostdin -v error -f rawvideo \
    -pix_fmt ayuv64le -r $rate -s:v ${w}x$h -i "$work/clip.ayuv" -f null -
base=$last
measure "rv-to-video" "$work/clip.rv" /dev/null rv-to-video $rate -nostdin -f null -
measure "rv-to-video -d" "$work/clip.rv" /dev/null rv-to-video -d $rate -nostdin -f null -
