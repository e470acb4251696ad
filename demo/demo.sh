#!/bin/sh
# A showcase chain of the suite's programs.  Usage: demo.sh BINDIR OUTDIR
set -eu
bin=$(cd "$1" && pwd)
out=$2
mkdir -p "$out"
PATH=$bin:$PATH
export PATH

echo "== a 4x2 frame of D65 grey at half luminance, printed as text"
rv-single-colour -w 4 -h 2 0.5 | tee "$out/grey.rv" | rv-to-text | tee "$out/grey.txt" | head -3

echo "== an endless stream cut short by head(1): the generator stops at the broken pipe"
rv-single-colour -f inf -w 1920 -h 1080 1 0.5 | head -c 100000000 | wc -c

echo "== a stream made from text, its alpha halved by awk on the way"
printf '2 2 1 xyza\n0.95 1 1.09 1  0 0 0 1\n0.2 0.3 0.4 1  0.1 0.1 0.1 1\n' |
  rv-from-text | tee "$out/text.rv" | rv-to-text | awk 'NR > 1 { $4 /= 2 } 1' |
  rv-from-text | rv-to-text

echo "== its 2x1 frames (pixels A B) tiled to 4x1 (B A B A), mirrored (A B A B), turned on their side"
rv-extend -t -l 1 -r 1 < "$out/text.rv" | rv-flop | rv-transpose | rv-to-text

echo "== its frames appended to a copy of it, then the head recounted in place"
cp "$out/text.rv" "$out/twice.rv"
{ rv-read-head > /dev/null; cat; } < "$out/text.rv" >> "$out/twice.rv"
rv-read-head < "$out/twice.rv"
rv-rewrite-head "$out/twice.rv" && rv-read-head < "$out/twice.rv"

echo "== a colour faded out over five frames and stacked over grey: one pixel a frame"
rv-single-colour -f 5 -w 1 -h 1 0.4 0.2 0.1 | rv-fade > "$out/fade.rv"
rv-single-colour -f 5 -w 1 -h 1 0.5 | rv-stack - "$out/fade.rv" | rv-to-text

if command -v ffmpeg > /dev/null 2>&1 && command -v ffprobe > /dev/null 2>&1; then
  echo "== a test video decoded by rv-from-video, a grey clip joined to it, encoded by rv-to-video"
  ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=160x120:rate=10 -frames:v 10 "$out/testsrc.mkv"
  rv-from-video "$out/testsrc.mkv" "$out/testsrc.rv" 2> "$out/ffmpeg.log"
  rv-read-head < "$out/testsrc.rv"
  rv-single-colour -f 5 -w 160 -h 120 0.5 | rv-concat "$out/testsrc.rv" - |
    rv-to-video 10 -nostdin -v error -y -c:v ffv1 "$out/chain.mkv"
  ffprobe -v error -count_frames -select_streams v \
    -show_entries stream=width,height,nb_read_frames -of csv=p=0 "$out/chain.mkv"
else
  echo "== ffmpeg is not installed: the video part of the demo is left out"
fi

echo "== depth of field: a 320x180 checkerboard blurred by a deviation stream that is"
echo "   0 on the middle row and grows to 4 pixels at the top and bottom (-j 2 workers)"
awk 'BEGIN {
    w = 320; h = 180; print 1, w, h, "xyza"
    for (y = 0; y < h; y++)
        for (x = 0; x < w; x++) {
            v = (int(x / 20) + int(y / 20)) % 2 ? 0.6 : 0.08
            print v * 0.9, v, v * 0.5, 1
        }
}' | rv-from-text > "$out/checker.rv"
awk 'BEGIN {
    w = 320; h = 180; print 1, w, h, "xyza"
    for (y = 0; y < h; y++)
        for (x = 0; x < w; x++) {
            s = 4 * (y < h / 2 ? h / 2 - y : y - h / 2) / (h / 2)
            print s, s, s, 1
        }
}' | rv-from-text > "$out/depth.rv"
rv-gauss-blur -j 2 -s auto "$out/depth.rv" < "$out/checker.rv" | tee "$out/depth-of-field.rv" |
    rv-to-image -d 8 > "$out/depth-of-field.pam"
echo "   luminance on both sides of an edge: sharp in the middle, blurred near the top"
rv-to-text < "$out/depth-of-field.rv" | awk 'NR > 1 {
    y = int((NR - 2) / 320); x = (NR - 2) % 320
    if ((y == 2 || y == 90) && (x == 18 || x == 21))
        printf "  row %2d, column %d: Y %s\n", y, x, $2
}'

echo "== five frames of rising Y: every other one kept; then reversed, the middle three"
echo "   cut out and played twice (one Y per frame)"
printf '5 1 1 xyza\n0 0.1 0 1\n0 0.2 0 1\n0 0.3 0 1\n0 0.4 0 1\n0 0.5 0 1\n' |
  rv-from-text > "$out/five.rv"
rv-skip-pattern +1 1 < "$out/five.rv" | rv-to-text | awk 'NR > 1 { printf " %s", $2 } END { print "" }'
rv-reverse "$out/five.rv" > "$out/backwards.rv"
rv-cut 1 4 "$out/backwards.rv" | rv-repeat 2 - | rv-to-text |
  awk 'NR > 1 { printf " %s", $2 } END { print "" }'

echo "== 50 still frames of 160x120 grey kept as frame differences, then restored"
rv-single-colour -f 50 -w 160 -h 120 0.5 > "$out/still.rv"
rv-compress < "$out/still.rv" > "$out/still.rvd"
echo "   $(wc -c < "$out/still.rv") bytes raw, $(wc -c < "$out/still.rvd") bytes compressed"
rv-decompress < "$out/still.rvd" | cmp - "$out/still.rv"
echo "   restored byte for byte"

echo "== sRGB orange and sky blue from rv-colour-srgb, side by side, as a picture"
rv-colour-srgb 255 128 0
rv-single-colour -w 80 -h 60 $(rv-colour-srgb 255 128 0) | rv-extend -r 80 > "$out/orange.rv"
rv-single-colour -w 160 -h 60 $(rv-colour-srgb 135 206 235) | rv-stack - "$out/orange.rv" |
  tee "$out/colours.rv" | rv-to-image -d 8 > "$out/colours.pam"
head -n 6 "$out/colours.pam" | tr '\n' ' '; echo
if command -v convert > /dev/null 2>&1; then
  rv-to-image < "$out/colours.rv" | convert pam:- "$out/colours.png"
  echo "   $out/colours.png read back through convert: $(rv-from-image < "$out/colours.png" |
    rv-to-image -d 8 | cmp -s - "$out/colours.pam" && echo the same 8-bit image)"
fi

echo "demo results are in $out"
