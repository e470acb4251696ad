#!/bin/sh
# Throughput of rv-compress and rv-decompress on two 1 GiB streams, next to
# cat(1) of the same bytes through a pipe: a small square moving over a still
# background (1024x512, 64 frames) and frames of random bytes.
#
# Usage: bench/compress.sh BINDIR [SCRATCHDIR]
# Environment: WIDTH, HEIGHT (default 1024x512, more than 32x32), FRAMES
# (default 64).
# The streams (about 3 GiB with their compressed forms) are made in a
# temporary directory under SCRATCHDIR (default /tmp) and removed at the end.
# Needs python3 to draw the moving square.
set -eu
. "$(dirname "$0")/common.sh"
start 'BINDIR [SCRATCHDIR]' "$@"
needs python3
sizes 1024 512 64 # 16 MiB frames, 1 GiB of pixels

# A gradient background with a 32x32 square that moves 8 pixels right and 4
# down per frame.
{ stream_head "$frames" "$width" "$height"
  python3 - "$width" "$height" "$frames" <<'EOF'
import struct, sys
w, h, n = map(int, sys.argv[1:])
background = bytearray()
for y in range(h):
    background += b"".join(struct.pack("=4d", x / w, y / h, 0.5, 1.0) for x in range(w))
square_row = struct.pack("=4d", 0.9, 0.1, 0.2, 1.0) * 32
for k in range(n):
    frame = bytearray(background)
    x0, y0 = 8 * k % (w - 32), 4 * k % (h - 32)
    for r in range(32):
        at = ((y0 + r) * w + x0) * 32
        frame[at:at + len(square_row)] = square_row
    sys.stdout.buffer.write(frame)
EOF
} > "$work/square.rv"

{ stream_head "$frames" "$width" "$height"
  head -c $((width * height * 32 * frames)) /dev/urandom; } > "$work/random.rv"

for name in square random; do
    raw=$work/$name.rv
    packed=$work/$name.rvd
    export raw packed
    rate_bytes=$(wc -c < "$raw")
    "$bin/rv-compress" < "$raw" > "$packed"
    "$bin/rv-decompress" < "$packed" | cmp -s - "$raw" || { echo "$me: $name: round trip differs" >&2; exit 1; }
    packed_bytes=$(wc -c < "$packed")
    echo "== $name: $rate_bytes bytes, compressed $packed_bytes bytes" \
         "($(awk -v a="$packed_bytes" -v b="$rate_bytes" 'BEGIN { printf "%.6f", a / b }') of the input)"
    cat "$raw" > /dev/null # into the page cache
    baseline cat 'cat < "$raw"'
    measure rv-compress '"$bin/rv-compress" < "$raw"'
    measure rv-decompress '"$bin/rv-decompress" < "$packed"'
done
echo "MB/s of the raw stream's bytes; the baseline is cat of them through the same pipe."
