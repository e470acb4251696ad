#!/bin/sh
# Throughput of rv-compress and rv-decompress on two 1 GiB streams, next to
# cat(1) of the same bytes through a pipe: a small square moving over a still
# background (1024x512, 64 frames) and frames of random bytes.
#
# Usage: bench/compress.sh BINDIR [SCRATCHDIR]
# The streams (about 3 GiB with their compressed forms) are made in a
# temporary directory under SCRATCHDIR (default /tmp) and removed at the end.
# Needs python3 to draw the moving square.
set -eu
bin=$(cd "${1:?usage: compress.sh BINDIR [SCRATCHDIR]}" && pwd)
scratch=${2:-/tmp}
command -v python3 >/dev/null || { echo "compress.sh: python3 is needed" >&2; exit 1; }
work=$(mktemp -d "$scratch/rv-bench-compress.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 1' INT TERM

width=1024 height=512 frames=64 # 16 MiB frames, 1 GiB of pixels

# A gradient background with a 32x32 square that moves 8 pixels right and 4
# down per frame.
python3 - "$width" "$height" "$frames" > "$work/square.rv" <<'EOF'
import struct, sys
w, h, n = map(int, sys.argv[1:])
out = sys.stdout.buffer
out.write(b"%d %d %d xyza\n\0uivf" % (n, w, h))
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
    out.write(frame)
EOF

{ printf '%s %s %s xyza\n\0uivf' "$frames" "$width" "$height"
  head -c $((width * height * 32 * frames)) /dev/urandom; } > "$work/random.rv"

. "$(dirname "$0")/common.sh"

# One timed run: "label bytes command..." with standard input from $input and
# standard output into a pipe to cat >/dev/null.  Prints wall seconds, CPU
# seconds of the command alone (user + sys), and MB/s of the raw stream.
measure()
{
    label=$1 bytes=$2
    shift 2
    timed "$input" "$@"
    awk -v l="$label" -v w="$wall" -v u="$user" -v s="$sys" -v b="$bytes" -v base="${base:-0}" '
        BEGIN {
            mbs = w > 0 ? b / w / 1e6 : 0
            printf "  %-14s wall %6.2f s  cpu %6.2f s (user %5.2f, sys %5.2f)  %7.0f MB/s", l, w, u + s, u, s, mbs
            if (base > 0) printf "  %5.2f x cat", mbs / base
            printf "\n"
        }'
    last_mbs=$(awk -v w="$wall" -v b="$bytes" 'BEGIN { print w > 0 ? b / w / 1e6 : 0 }')
}

for name in square random; do
    raw=$work/$name.rv
    packed=$work/$name.rvd
    raw_bytes=$(wc -c < "$raw")
    "$bin/rv-compress" < "$raw" > "$packed"
    "$bin/rv-decompress" < "$packed" | cmp -s - "$raw" || { echo "compress.sh: $name: round trip differs" >&2; exit 1; }
    packed_bytes=$(wc -c < "$packed")
    echo "== $name: $raw_bytes bytes, compressed $packed_bytes bytes" \
         "($(awk -v a="$packed_bytes" -v b="$raw_bytes" 'BEGIN { printf "%.6f", a / b }') of the input)"
    cat "$raw" > /dev/null # into the page cache
    input=$raw base=
    measure cat "$raw_bytes" cat
    base=$last_mbs
    measure rv-compress "$raw_bytes" "$bin/rv-compress"
    input=$packed
    measure rv-decompress "$raw_bytes" "$bin/rv-decompress"
done
