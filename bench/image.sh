#!/bin/sh
# Throughput of the image converters on one 3840x2160 frame of random pixels.
# rv-from-image reads an 8-bit and a 16-bit RGBA PAM (-p) and writes the
# 265 MB stream; rv-to-image turns that stream into 16-bit and 8-bit PAM and
# into farbfeld, and a frame of one colour into 16-bit PAM.  Each is set next
# to cat(1) of its own input bytes through the same pipes (the baseline), and
# next to cat of the stream bytes.
# ImageMagick's own PAM to PAM copy of the 16-bit image is shown for scale,
# and rv-from-image reading that image as PNG next to the convert it runs.
#
# Usage: bench/image.sh BINDIR [SCRATCHDIR]
# Environment: WIDTH, HEIGHT (default 3840x2160).
# About 400 MB of files are made under SCRATCHDIR (default /tmp) and removed.
set -eu
. "$(dirname "$0")/common.sh"
start 'BINDIR [SCRATCHDIR]' "$@"
sizes 3840 2160

# pam BYTES MAXVAL FILE: an RGB_ALPHA PAM of random samples.
pam()
{
    printf 'P7\nWIDTH %s\nHEIGHT %s\nDEPTH 4\nMAXVAL %s\nTUPLTYPE RGB_ALPHA\nENDHDR\n' \
        "$width" "$height" "$2" > "$3"
    head -c $((width * height * 4 * $1)) /dev/urandom >> "$3"
}
pam 1 255 "$work/8.pam"
pam 2 65535 "$work/16.pam"
"$bin/rv-from-image" -p < "$work/16.pam" > "$work/stream.rv"
"$bin/rv-single-colour" -w "$width" -h "$height" 0.2 0.3 0.4 0.5 > "$work/flat.rv"
cat "$work"/* > /dev/null # into the page cache

echo "== one ${width}x${height} frame; stream $(wc -c < "$work/stream.rv") bytes"
measure "cat of the stream bytes" 'cat < "$work/stream.rv"'
stream_wall=$wall
# row NAME INPUT COMMAND-LINE: the command line with standard input from the
# file INPUT, against cat of that file, then its wall time over that of cat of
# the stream.
row()
{
    input=$2
    export input
    echo "-- $1: $(wc -c < "$input") bytes in"
    baseline "cat" 'cat < "$input"'
    measure "$1" "$3"' < "$input"'
    echo "  wall x$(ratio "$wall" "$stream_wall") of cat of the stream"
}
row "rv-from-image -p (8 bit)" "$work/8.pam" '"$bin/rv-from-image" -p'
row "rv-from-image -p (16 bit)" "$work/16.pam" '"$bin/rv-from-image" -p'
row "rv-to-image (16 bit)" "$work/stream.rv" '"$bin/rv-to-image"'
row "rv-to-image -d 8" "$work/stream.rv" '"$bin/rv-to-image" -d 8'
row "rv-to-image -f" "$work/stream.rv" '"$bin/rv-to-image" -f'
row "rv-to-image, one colour" "$work/flat.rv" '"$bin/rv-to-image"'
if command -v convert > /dev/null; then
    convert "$work/16.pam" "PNG64:$work/16.png"
    row "convert pam:- pam:-" "$work/16.pam" 'convert pam:- pam:-'
    row "convert alone, PNG" "$work/16.png" 'convert - -depth 32 -alpha activate pam:-'
    row "rv-from-image, PNG" "$work/16.png" '"$bin/rv-from-image"'
fi
echo "wall and cpu in seconds; cpu is user + sys of the program (with its convert child)."
