#!/bin/sh
# Throughput of rv-single-colour next to cat of the same bytes through a pipe.
# Usage: bench/single-colour.sh [BINDIR] [FRAMES]   (default: build/bin, 100)
# 100 frames of 1920x1080 are 6.6 GB; the cat baseline reads them from a file
# of one frame repeated by the shell, so it needs no big file on disk.
set -eu
bin=${1:-build/bin}
frames=${2:-100}
w=1920 h=1080
bytes=$(( frames * w * h * 32 ))
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# One frame on disk, catted $frames times, is the baseline pipe of equal size.
"$bin/rv-single-colour" -w $w -h $h 0.5 | tail -c $(( w * h * 32 )) > "$tmp/frame"

measure() { # label command...
    label=$1; shift
    /usr/bin/time -f "%e %U %S" -o "$tmp/t" sh -c "$*" 
    read wall user sys < "$tmp/t"
    echo "$label $wall $user $sys"
}

gen=$(measure rv-single-colour "'$bin/rv-single-colour' -f $frames -w $w -h $h 0.5 | cat > /dev/null")
base=$(measure cat "i=0; while [ \$i -lt $frames ]; do cat '$tmp/frame'; i=\$((i+1)); done | cat > /dev/null")
echo "$gen
$base" | awk -v bytes=$bytes '
{ wall[NR] = $2; cpu[NR] = $3 + $4; name[NR] = $1 }
END {
    for (i = 1; i <= 2; i++)
        printf "%-17s wall %7.2f s  cpu %7.2f s  %8.0f MB/s\n", name[i], wall[i], cpu[i], bytes / wall[i] / 1e6
    printf "rv-single-colour / cat: wall x%.2f, cpu x%.2f\n", wall[1] / wall[2], cpu[1] / cpu[2]
}'
