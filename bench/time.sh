#!/bin/sh
# Throughput of the byte-copying time editors next to cat(1) and dd(1) moving
# the same bytes: rv-concat of two 1 GiB streams in its three ways of writing,
# and rv-cut of the middle half of a 1 GiB stream file.  Both programs copy
# through a 1024-byte buffer, so dd with bs=1024 is shown as well: it makes
# the same number of system calls.
#
# Usage: bench/time.sh BINDIR [SCRATCHDIR]
# Environment: WIDTH, HEIGHT (default 1024x512), FRAMES (default 64, a
# multiple of 4).
# The streams (about 5 GiB with the outputs) are made in a temporary directory
# under SCRATCHDIR (default /tmp) and removed at the end.  All inputs are read
# once beforehand, so every run reads from the page cache.
set -eu
. "$(dirname "$0")/common.sh"
start 'BINDIR [SCRATCHDIR]' "$@"
sizes 1024 512 64 # 16 MiB frames, 1 GiB of pixels
frame_bytes=$((width * height * 32))
"$bin/rv-single-colour" -f "$frames" -w "$width" -h "$height" 0.25 > "$work/a.rv"
"$bin/rv-single-colour" -f "$frames" -w "$width" -h "$height" 0.75 0.5 > "$work/b.rv"
cat "$work/a.rv" "$work/b.rv" > /dev/null

rate_bytes=$(($(wc -c < "$work/a.rv") + $(wc -c < "$work/b.rv")))
echo "== rv-concat of two streams of $frames frames to a pipe ($rate_bytes bytes), against cat"
baseline "cat a b" 'cat "$work/a.rv" "$work/b.rv"'
measure "dd bs=1024 a; dd b" \
    'dd if="$work/a.rv" bs=1024 status=none; dd if="$work/b.rv" bs=1024 status=none'
measure "rv-concat a b" '"$bin/rv-concat" "$work/a.rv" "$work/b.rv"'

echo "== rv-concat of the two streams into a file, against cat > file"
rm -f "$work/out.rv"
baseline "cat a b > file" 'cat "$work/a.rv" "$work/b.rv" > "$work/out.rv"'
rm -f "$work/out.rv"
measure "rv-concat -o file -j 1" '"$bin/rv-concat" -o "$work/out.rv" -j 1 "$work/a.rv" "$work/b.rv"'
rm -f "$work/out.rv"
measure "rv-concat -o file" '"$bin/rv-concat" -o "$work/out.rv" "$work/a.rv" "$work/b.rv"'
rm -f "$work/out.rv"

# The middle half: frames n/4 to 3n/4, as a byte range of the file.
first=$((frames / 4)) end=$((frames * 3 / 4))
head_bytes=$(($(wc -c < "$work/a.rv") - frames * frame_bytes))
skip=$((head_bytes + first * frame_bytes)) rate_bytes=$(((end - first) * frame_bytes))
export first end skip rate_bytes
echo "== rv-cut of the middle half of a stream file ($rate_bytes bytes), against dd"
baseline "dd bs=1M" \
    'dd if="$work/a.rv" iflag=skip_bytes,count_bytes skip=$skip count=$rate_bytes bs=1M status=none'
measure "dd bs=1024" \
    'dd if="$work/a.rv" iflag=skip_bytes,count_bytes skip=$skip count=$rate_bytes bs=1024 status=none'
measure "rv-cut $first $end" '"$bin/rv-cut" $first $end "$work/a.rv"'
