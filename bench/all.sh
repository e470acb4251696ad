#!/bin/sh
# One table for every family of programs: each rv job next to cat(1) of the
# same input bytes and, where one exists, ffmpeg (on gbrapf32le frames, half
# our size) or ImageMagick doing the same job, all in the same run.  Every
# command writes into a pipe to cat >/dev/null, which is not timed.
#
# Usage: bench/all.sh BINDIR [SCRATCHDIR]
# Environment: WIDTH, HEIGHT (default 1920x1080), FRAMES (default 16),
# BLUR_FRAMES (default 4), ONLY (a pattern: run only the jobs it matches).
# The inputs (about 4 GiB at the defaults) are made under SCRATCHDIR (default
# /tmp) and removed at the end.
#
# Columns: wall and CPU seconds (user + system, children included) of rv, of
# cat and of the other tool; "cat/rv" is cat's wall time over rv's (1 = as
# fast as cat, more is faster), "ff/rv" the other tool's over rv's (more than
# 1 = rv is faster).
set -eu
B=$(cd "${1:?usage: all.sh BINDIR [SCRATCHDIR]}" && pwd)
scratch=${2:-/tmp}
W=$(mktemp -d "$scratch/rv-bench-all.XXXXXX")
trap 'rm -rf "$W"' EXIT
trap 'exit 1' INT TERM
export B W
w=${WIDTH:-1920} h=${HEIGHT:-1080} n=${FRAMES:-16} nb=${BLUR_FRAMES:-4}
export w h n nb
have_ffmpeg=$(command -v ffmpeg >/dev/null && echo 1 || echo 0)
have_convert=$(command -v convert >/dev/null && echo 1 || echo 0)

# Inputs: two stream files, their gbrapf32le twins, a deviation stream, an
# offset stream and a PAM image.
"$B/rv-single-colour" -f "$n" -w "$w" -h "$h" 0.25 0.5 0.75 0.5 > "$W/a.rv"
"$B/rv-single-colour" -f "$n" -w "$w" -h "$h" 0.75 0.5 0.25 0.75 > "$W/b.rv"
"$B/rv-single-colour" -f "$nb" -w "$w" -h "$h" 0.4 0.8 0.3 > "$W/blur-in.rv"
"$B/rv-single-colour" -f "$nb" -w "$w" -h "$h" 3 3 3 > "$W/sigma3.rv"
python3 - "$w" "$h" "$nb" > "$W/sigma-varying.rv" <<'EOF'
import array, sys
w, h, n = map(int, sys.argv[1:])
out = sys.stdout.buffer
out.write(b"%d %d %d xyza\n\0uivf" % (n, w, h))
frame = bytearray()
for y in range(h):
    row = array.array("d")
    for x in range(w):
        s = 0.75 + 2.25 * (x / (w - 1) + y / (h - 1))
        row.extend((s, s, s, 1.0))
    frame += row.tobytes()
for k in range(n):
    out.write(frame)
EOF
"$B/rv-single-colour" -f "$n" -w 1 -h 1 3 5 0 > "$W/offsets.rv"
"$B/rv-crop" "$((w / 2))" "$((h / 2))" 0 0 < "$W/b.rv" > "$W/b-half.rv"
head -c "$(( $(wc -c < "$W/a.rv") ))" "$W/a.rv" | "$B/rv-compress" > "$W/a.rvc"
"$B/rv-cut" 0 1 "$W/a.rv" | "$B/rv-to-image" > "$W/frame.pam"
"$B/rv-cut" 0 2 "$W/a.rv" | "$B/rv-to-text" > "$W/a.txt"
if [ "$have_ffmpeg" = 1 ]; then
    raw="-f rawvideo -pix_fmt gbrapf32le -s ${w}x${h}"
    for f in a b; do
        ffmpeg -v error -f lavfi -i "color=gray:s=${w}x${h}" -frames:v "$n" \
            -pix_fmt gbrapf32le -f rawvideo "$W/$f.raw"
    done
    ffmpeg -v error -f lavfi -i "color=gray:s=${w}x${h}" -frames:v "$nb" \
        -pix_fmt gbrapf32le -f rawvideo "$W/blur.raw"
    ffmpeg -v error -f lavfi -i "gradients=s=${w}x${h}" -frames:v "$nb" \
        -pix_fmt gbrapf32le -f rawvideo "$W/radius.raw"
    ffmpeg -v error -f lavfi -i "color=gray:s=$((w / 2))x$((h / 2))" -frames:v "$n" \
        -pix_fmt gbrapf32le -f rawvideo "$W/b-half.raw"
    export raw
fi
cat "$W"/* > /dev/null # into the page cache
hl=$(($(head -n 1 "$W/a.rv" | wc -c) + 5)) # head length
export hl

# timed COMMAND: one run of the shell command line, its output into a pipe
# to cat >/dev/null.  Sets wall, cpu and rss (peak kilobytes of the largest
# process).
timed()
{
    /usr/bin/time -f '%e %U %S %M %x' -o "$W/time" sh -c "$1" 2> "$W/err" | cat > /dev/null
    read -r wall user sys rss status < "$(tail -n 1 "$W/time" > "$W/last"; echo "$W/last")"
    if [ "$status" != 0 ]; then
        echo "all.sh: failed ($status): $1: $(head -c 300 "$W/err")" >&2
        wall=0
    fi
    cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.2f", u + s }')
}

printf '%-38s %7s %7s %7s %7s %6s %7s %7s %6s\n' job "rv s" "rv cpu" "cat s" "cat cpu" cat/rv \
    "ff s" "ff cpu" ff/rv
# row LABEL RV CAT [OTHER]: the three commands timed one after another.
row()
{
    case $1 in ${ONLY:-*}) ;; *) return 0 ;; esac
    timed "$2"
    rw=$wall rc=$cpu
    timed "$3"
    cw=$wall cc=$cpu
    fw=- fc=-
    if [ -n "${4:-}" ]; then
        timed "$4"
        fw=$wall fc=$cpu
    fi
    awk -v l="$1" -v rw="$rw" -v rc="$rc" -v cw="$cw" -v cc="$cc" -v fw="$fw" -v fc="$fc" 'BEGIN {
        printf "%-38s %7.2f %7.2f %7.2f %7.2f %6.2f", l, rw, rc, cw, cc, (rw > 0 ? cw / rw : 0)
        if (fw == "-") printf " %7s %7s %6s\n", "-", "-", "-"
        else printf " %7.2f %7.2f %6.2f\n", fw, fc, (rw > 0 ? fw / rw : 0) }'
}
ff() { [ "$have_ffmpeg" = 1 ] && echo "ffmpeg -v error -nostats $*" || true; }
im() { [ "$have_convert" = 1 ] && echo "$*" || true; }

echo "== $n frames of ${w}x${h} ($(wc -c < "$W/a.rv") bytes a stream); blur: $nb frames"
echo "-- time"
row "rv-concat a b" '$B/rv-concat $W/a.rv $W/b.rv' 'cat $W/a.rv $W/b.rv' \
    "$(ff '$raw -i $W/a.raw $raw -i $W/b.raw -filter_complex "[0][1]concat=n=2" $raw -')"
row "rv-cut (half)" '$B/rv-cut $((n / 4)) $((n * 3 / 4)) $W/a.rv' \
    'tail -c $(( $(wc -c < $W/a.rv) / 2 )) $W/a.rv' \
    "$(ff '$raw -i $W/a.raw -vf trim=start_frame=$((n / 4)):end_frame=$((n * 3 / 4)) $raw -')"
row "rv-reverse" '$B/rv-reverse $W/a.rv' 'cat $W/a.rv' "$(ff '$raw -i $W/a.raw -vf reverse $raw -')"
row "rv-repeat 2" '$B/rv-repeat 2 $W/a.rv' 'cat $W/a.rv $W/a.rv' \
    "$(ff '-stream_loop 1 $raw -i $W/a.raw $raw -')"
row "rv-split (two parts)" 'cd $W && $B/rv-split p1.rv $((n / 2)) p2.rv end < $W/a.rv' \
    'cat $W/a.rv > $W/p.raw'
row "rv-skip-pattern +1 1" '$B/rv-skip-pattern +1 1 < $W/a.rv' 'cat < $W/a.rv'
row "rv-make-head" 'tail -c +$((hl + 1)) $W/a.rv | $B/rv-make-head -f $n $w $h xyza' \
    'tail -c +$((hl + 1)) $W/a.rv | cat'
row "rv-compress" '$B/rv-compress < $W/a.rv' 'cat < $W/a.rv'
row "rv-decompress" '$B/rv-decompress < $W/a.rvc' 'cat < $W/a.rv'
echo "-- geometry"
row "rv-crop (half)" '$B/rv-crop $((w / 2)) $((h / 2)) 0 0 < $W/a.rv' 'cat < $W/a.rv' \
    "$(ff '$raw -i $W/a.raw -vf crop=$((w / 2)):$((h / 2)):0:0 $raw -')"
row "rv-extend 100" '$B/rv-extend -l 100 -r 100 -a 100 -b 100 < $W/a.rv' 'cat < $W/a.rv' \
    "$(ff '$raw -i $W/a.raw -vf pad=$((w + 200)):$((h + 200)):100:100 $raw -')"
row "rv-flop" '$B/rv-flop < $W/a.rv' 'cat < $W/a.rv' "$(ff '$raw -i $W/a.raw -vf hflip $raw -')"
row "rv-flip" '$B/rv-flip < $W/a.rv' 'cat < $W/a.rv' "$(ff '$raw -i $W/a.raw -vf vflip $raw -')"
row "rv-transpose" '$B/rv-transpose < $W/a.rv' 'cat < $W/a.rv' \
    "$(ff '$raw -i $W/a.raw -vf transpose=0 $raw -')"
row "rv-translate" '$B/rv-translate $W/offsets.rv < $W/a.rv' 'cat < $W/a.rv'
echo "-- composite"
row "rv-arith add" '$B/rv-arith add $W/b.rv < $W/a.rv' 'cat < $W/a.rv' \
    "$(ff '$raw -i $W/a.raw $raw -i $W/b.raw -filter_complex "[0][1]blend=all_mode=addition" $raw -')"
row "rv-stack a b" '$B/rv-stack $W/a.rv $W/b.rv' 'cat $W/a.rv' \
    "$(ff '$raw -i $W/a.raw $raw -i $W/b.raw -filter_complex "[0][1]overlay" $raw -')"
row "rv-set-alpha" '$B/rv-set-alpha $W/b.rv < $W/a.rv' 'cat < $W/a.rv'
row "rv-set-luma" '$B/rv-set-luma $W/b.rv < $W/a.rv' 'cat < $W/a.rv'
row "rv-set-saturation" '$B/rv-set-saturation $W/b.rv < $W/a.rv' 'cat < $W/a.rv'
row "rv-invert-luma" '$B/rv-invert-luma $W/b.rv < $W/a.rv' 'cat < $W/a.rv'
row "rv-fade" '$B/rv-fade < $W/a.rv' 'cat < $W/a.rv' "$(ff '$raw -i $W/a.raw -vf fade=out:0:$n $raw -')"
row "rv-trail" '$B/rv-trail $W/b.rv < $W/a.rv' 'cat < $W/a.rv' \
    "$(ff '$raw -i $W/a.raw -vf lagfun $raw -')"
row "crop | flop | arith mul | fade" \
    '$B/rv-crop $((w / 2)) $((h / 2)) 0 0 < $W/a.rv | $B/rv-flop | $B/rv-arith mul $W/b-half.rv | $B/rv-fade' \
    'cat < $W/a.rv' \
    "$(ff '$raw -i $W/a.raw -s $((w / 2))x$((h / 2)) -f rawvideo -pix_fmt gbrapf32le -i $W/b-half.raw -filter_complex "[0]crop=$((w / 2)):$((h / 2)):0:0,hflip[c];[c][1]blend=all_mode=multiply,fade=out:0:$n" $raw -')"
echo "-- convert and text"
row "rv-to-image (16-bit PAM, 1 frame)" '$B/rv-cut 0 1 $W/a.rv | $B/rv-to-image' \
    '$B/rv-cut 0 1 $W/a.rv | cat' "$(im 'convert $W/frame.pam -depth 16 pam:-')"
row "rv-from-image -p (1 frame)" '$B/rv-from-image -p < $W/frame.pam' 'cat < $W/frame.pam' \
    "$(im 'convert $W/frame.pam -depth 16 pam:-')"
row "rv-to-text (2 frames)" '$B/rv-cut 0 2 $W/a.rv | $B/rv-to-text' '$B/rv-cut 0 2 $W/a.rv | cat'
row "rv-from-text (2 frames)" '$B/rv-from-text < $W/a.txt' 'cat < $W/a.txt'
echo "-- blur ($nb frames, -s auto)"
row "rv-gauss-blur sigma 3 -j 1" '$B/rv-gauss-blur -j 1 -s auto $W/sigma3.rv < $W/blur-in.rv' \
    'cat < $W/blur-in.rv' "$(ff '$raw -i $W/blur.raw -vf gblur=sigma=3 $raw -')"
row "rv-gauss-blur varying -j 1" '$B/rv-gauss-blur -j 1 -s auto $W/sigma-varying.rv < $W/blur-in.rv' \
    'cat < $W/blur-in.rv' \
    "$(ff '$raw -i $W/blur.raw $raw -i $W/radius.raw -filter_complex "[0][1]varblur=min_r=1:max_r=16" $raw -')"
row "rv-gauss-blur varying -j 2" '$B/rv-gauss-blur -j 2 -s auto $W/sigma-varying.rv < $W/blur-in.rv' \
    'cat < $W/blur-in.rv' \
    "$(ff '$raw -i $W/blur.raw $raw -i $W/radius.raw -filter_complex "[0][1]varblur=min_r=1:max_r=16" $raw -')"

# Peak memory must not grow with the number of frames.
case "memory" in ${ONLY:-*})
    echo "-- peak RSS (kB) of 640x360 streams, 16 and 64 frames"
    for k in 16 64; do
        "$B/rv-single-colour" -f $k -w 640 -h 360 0.5 > "$W/m$k.rv"
        "$B/rv-single-colour" -f $k -w 640 -h 360 2 2 2 > "$W/s$k.rv"
    done
    for job in 'rv-reverse $W/m$k.rv' 'rv-transpose < $W/m$k.rv' \
        'rv-gauss-blur -s auto $W/s$k.rv < $W/m$k.rv' 'rv-stack $W/m$k.rv $W/m$k.rv'; do
        line=$(printf '%-38s' "$(echo "$job" | cut -d' ' -f1)")
        for k in 16 64; do
            export k
            timed "\$B/$job"
            line="$line $(printf '%8s' "$rss")"
        done
        echo "$line"
    done ;;
esac
