#!/bin/sh
# Throughput of the image converters on one 3840x2160 frame of random pixels.
# rv-from-image reads an 8-bit and a 16-bit RGBA PAM (-p) and writes the
# 265 MB stream; rv-to-image turns that stream into 16-bit and 8-bit PAM and
# into farbfeld, and a frame of one colour into 16-bit PAM.  Each is set next
# to cat(1) of its own input bytes through the same pipes, and next to cat of
# the stream bytes.
# ImageMagick's own PAM to PAM copy of the 16-bit image is shown for scale,
# and rv-from-image reading that image as PNG next to the convert it runs.
#
# Usage: bench/image.sh BINDIR [SCRATCHDIR]
# About 400 MB of files are made under SCRATCHDIR (default /tmp) and removed.
set -eu
bin=$(cd "${1:?usage: image.sh BINDIR [SCRATCHDIR]}" && pwd)
scratch=${2:-/tmp}
work=$(mktemp -d "$scratch/rv-bench-image.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 1' INT TERM

width=3840 height=2160

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
"$bin/rv-single-colour" -w $width -h $height 0.2 0.3 0.4 0.5 > "$work/flat.rv"
cat "$work"/* > /dev/null # into the page cache

. "$(dirname "$0")/common.sh"

# measure INPUT COMMAND...: one timed run with standard input from the file.
measure() { timed "$@"; }

measure "$work/stream.rv" cat
stream_wall=$wall stream_cpu=$cpu
echo "== one ${width}x${height} frame; stream $(wc -c < "$work/stream.rv") bytes"
echo "   cat of the stream bytes: wall $stream_wall s  cpu $stream_cpu s"
printf '%-26s %10s %7s %7s | %7s %7s | %s\n' job 'in bytes' wall cpu 'cat' 'x cat' \
    'x cat of the stream'
row()
{
    name=$1 input=$2
    shift 2
    measure "$input" cat
    cat_wall=$wall
    measure "$input" "$@"
    printf '%-26s %10s %7s %7s | %7s %7s | %s\n' "$name" "$(wc -c < "$input")" "$wall" "$cpu" \
        "$cat_wall" "$(ratio "$wall" "$cat_wall")" "$(ratio "$wall" "$stream_wall")"
}
row "rv-from-image -p (8 bit)" "$work/8.pam" "$bin/rv-from-image" -p
row "rv-from-image -p (16 bit)" "$work/16.pam" "$bin/rv-from-image" -p
row "rv-to-image (16 bit)" "$work/stream.rv" "$bin/rv-to-image"
row "rv-to-image -d 8" "$work/stream.rv" "$bin/rv-to-image" -d 8
row "rv-to-image -f" "$work/stream.rv" "$bin/rv-to-image" -f
row "rv-to-image, one colour" "$work/flat.rv" "$bin/rv-to-image"
if command -v convert > /dev/null; then
    convert "$work/16.pam" "PNG64:$work/16.png"
    row "convert pam:- pam:-" "$work/16.pam" convert pam:- pam:-
    row "convert alone, PNG" "$work/16.png" convert - -depth 32 -alpha activate pam:-
    row "rv-from-image, PNG" "$work/16.png" "$bin/rv-from-image"
fi
echo "wall and cpu in seconds; cpu is user + sys of the program (with its convert child);"
echo "x cat: wall time over that of cat of the same input bytes through the same pipe."
