#!/bin/sh
# Speed of the video converters on a real clip: a few seconds of ffmpeg's
# testsrc2 at 1080p, encoded with libx264 (mpeg4 where that is missing).
# rv-from-video decodes it with -L to a pipe and into a file (head last),
# next to ffmpeg alone decoding the same clip to raw ayuv64le; rv-to-video
# encodes the decoded stream for ffmpeg's null muxer, next to ffmpeg alone
# reading the same pixels as raw ayuv64le from a file.  Wall and CPU seconds
# count the ffmpeg child too; ratios are to the baseline just above them,
# measured in the same run.
#
# Usage: bench/video.sh BINDIR [SCRATCHDIR [SECONDS]]
# Environment: WIDTH, HEIGHT (default 1920x1080).
# SECONDS of video (default 2) take about 2.1 GB of files per second under
# SCRATCHDIR (default /tmp), removed at the end.
set -eu
. "$(dirname "$0")/common.sh"
start 'BINDIR [SCRATCHDIR [SECONDS]]' "$@"
seconds=${3:-2}
PATH=$bin:$PATH
export PATH
sizes 1920 1080
rate=25
export rate

codec=libx264
ffmpeg -hide_banner -encoders 2>/dev/null | grep -q ' libx264 ' || codec=mpeg4
clip=$work/clip.mp4
export clip
ffmpeg -nostdin -v error -f lavfi -i "testsrc2=size=${width}x$height:rate=$rate" -t "$seconds" \
    -c:v $codec -pix_fmt yuv420p "$clip"
frames=$(ffprobe -v error -count_frames -select_streams v -show_entries stream=nb_read_frames \
    -of default=noprint_wrappers=1:nokey=1 "$clip")

echo "rv-from-video, $frames frames of ${width}x$height testsrc2 ($codec)"
baseline "ffmpeg to ayuv64le" 'ffmpeg -nostdin -v error -i "$clip" -f rawvideo -pix_fmt ayuv64le -'
measure "rv-from-video -L" 'rv-from-video -L "$clip" -'
measure "rv-from-video -L -d" 'rv-from-video -L -d "$clip" -'
measure "rv-from-video into a file" 'rv-from-video "$clip" "$work/clip.rv"'

echo "rv-to-video, the same frames for the null muxer"
ffmpeg -nostdin -v error -i "$clip" -f rawvideo -pix_fmt ayuv64le "$work/clip.ayuv"
baseline "ffmpeg from ayuv64le" 'ffmpeg -nostdin -v error -f rawvideo -pix_fmt ayuv64le -r $rate \
    -s:v "${width}x$height" -i "$work/clip.ayuv" -f null -'
measure "rv-to-video" 'rv-to-video $rate -nostdin -f null - < "$work/clip.rv"'
measure "rv-to-video -d" 'rv-to-video -d $rate -nostdin -f null - < "$work/clip.rv"'
