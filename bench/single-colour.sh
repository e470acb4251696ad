#!/bin/sh
# Throughput of rv-single-colour next to cat of the same bytes through a pipe.
# Usage: bench/single-colour.sh [BINDIR] [FRAMES]   (default: build/bin, 100)
# Environment: WIDTH, HEIGHT (default 1920x1080).
# 100 frames of 1920x1080 are 6.6 GB; the cat baseline reads them from a file
# of one frame repeated by the shell, so it needs no big file on disk.
set -eu
. "$(dirname "$0")/common.sh"
start '[BINDIR] [FRAMES]' "${1:-build/bin}"
sizes 1920 1080
frames=${2:-100}
rate_bytes=$((frames * width * height * 32))

# One frame on disk, catted $frames times, is the baseline pipe of equal size.
"$bin/rv-single-colour" -w "$width" -h "$height" 0.5 | tail -c $((width * height * 32)) > "$work/frame"

echo "== $frames frames of ${width}x$height, $rate_bytes bytes"
baseline cat 'i=0; while [ $i -lt "$frames" ]; do cat "$work/frame"; i=$((i + 1)); done'
measure rv-single-colour '"$bin/rv-single-colour" -f "$frames" -w "$width" -h "$height" 0.5'
