#!/bin/sh
# Throughput of the byte-copying time editors next to cat(1) and dd(1) moving
# the same bytes: rv-concat of two 1 GiB streams in its three ways of writing,
# and rv-cut of the middle half of a 1 GiB stream file.  Both programs copy
# through a 1024-byte buffer, so dd with bs=1024 is shown as well: it makes
# the same number of system calls.
#
# Usage: bench/time.sh BINDIR [SCRATCHDIR]
# The streams (about 5 GiB with the outputs) are made in a temporary directory
# under SCRATCHDIR (default /tmp) and removed at the end.  All inputs are read
# once beforehand, so every run reads from the page cache.
set -eu
bin=$(cd "${1:?usage: time.sh BINDIR [SCRATCHDIR]}" && pwd)
scratch=${2:-/tmp}
work=$(mktemp -d "$scratch/rv-bench-time.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 1' INT TERM

width=1024 height=512 frames=64 # 16 MiB frames, 1 GiB of pixels
frame_bytes=$((width * height * 32))
"$bin/rv-single-colour" -f $frames -w $width -h $height 0.25 > "$work/a.rv"
"$bin/rv-single-colour" -f $frames -w $width -h $height 0.75 0.5 > "$work/b.rv"
cat "$work/a.rv" "$work/b.rv" > /dev/null

. "$(dirname "$0")/common.sh"

# measure LABEL BYTES COMMAND...: one timed run with standard output into a
# pipe to cat >/dev/null (what a reader in a pipeline costs is not counted).
# Prints wall and CPU seconds (user + sys) of the command alone, MB/s, and
# with $base_wall/$base_cpu set the ratios to that baseline.
measure()
{
    label=$1 bytes=$2
    shift 2
    rm -f "$work/out.rv"
    timed /dev/null "$@"
    awk -v l="$label" -v w="$wall" -v u="$user" -v s="$sys" -v b="$bytes" \
        -v bw="${base_wall:-0}" -v bc="${base_cpu:-0}" '
        BEGIN {
            mbs = w > 0 ? b / w / 1e6 : 0
            printf "  %-22s wall %6.2f s  cpu %6.2f s (user %5.2f, sys %5.2f)  %6.0f MB/s",
                   l, w, u + s, u, s, mbs
            if (bw > 0) {
                cpu_ratio = bc > 0 ? (u + s) / bc : 0
                printf "  time x%.2f, cpu x%.2f", w / bw, cpu_ratio
            }
            printf "\n"
        }'
    last_wall=$wall
    last_cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }')
}

baseline()
{
    base_wall= base_cpu=
    measure "$@"
    base_wall=$last_wall base_cpu=$last_cpu
}

total=$(($(wc -c < "$work/a.rv") + $(wc -c < "$work/b.rv")))
echo "== rv-concat of two 1 GiB streams to a pipe ($total bytes), against cat"
baseline "cat a b" $total cat "$work/a.rv" "$work/b.rv"
measure "dd bs=1024 a; dd b" $total sh -c 'dd if="$1" bs=1024 status=none; dd if="$2" bs=1024 status=none' sh "$work/a.rv" "$work/b.rv"
measure "rv-concat a b" $total "$bin/rv-concat" "$work/a.rv" "$work/b.rv"

echo "== rv-concat of two 1 GiB streams into a file, against cat > file"
baseline "cat a b > file" $total sh -c 'cat "$1" "$2" > "$3"' sh "$work/a.rv" "$work/b.rv" "$work/out.rv"
measure "rv-concat -o file -j 1" $total "$bin/rv-concat" -o "$work/out.rv" -j 1 "$work/a.rv" "$work/b.rv"
measure "rv-concat -o file" $total "$bin/rv-concat" -o "$work/out.rv" "$work/a.rv" "$work/b.rv"

# The middle half: frames 16 to 47, as a byte range of the file.
head_bytes=$(($(wc -c < "$work/a.rv") - frames * frame_bytes))
skip=$((head_bytes + 16 * frame_bytes)) count=$((32 * frame_bytes))
echo "== rv-cut of the middle half of a 1 GiB stream file ($count bytes), against dd"
baseline "dd bs=1M" $count dd if="$work/a.rv" iflag=skip_bytes,count_bytes skip=$skip \
    count=$count bs=1M status=none
measure "dd bs=1024" $count dd if="$work/a.rv" iflag=skip_bytes,count_bytes skip=$skip \
    count=$count bs=1024 status=none
measure "rv-cut 16 48" $count "$bin/rv-cut" 16 48 "$work/a.rv"
