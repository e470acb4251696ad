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
# The jobs are command lines run by sh -c (see common.sh), which see bin and
# work, the sizes w, h, n and nb, raw (ffmpeg's options for the gbrapf32le
# inputs) and hl (the length of a's head).  The peak memory at the end is of
# streams a third of the width and height, 16 and 64 frames.
#
# Columns: wall and CPU seconds (user + system, children included) of rv, of
# cat and of the other tool; "cat/rv" is cat's wall time over rv's (1 = as
# fast as cat, more is faster), "ff/rv" the other tool's over rv's (more than
# 1 = rv is faster).
set -eu
. "$(dirname "$0")/common.sh"
start 'BINDIR [SCRATCHDIR]' "$@"
w=${WIDTH:-1920} h=${HEIGHT:-1080} n=${FRAMES:-16} nb=${BLUR_FRAMES:-4}
export w h n nb
have_ffmpeg=$(command -v ffmpeg >/dev/null && echo 1 || echo 0)
have_convert=$(command -v convert >/dev/null && echo 1 || echo 0)

# Inputs: two stream files, their gbrapf32le twins, a deviation stream, an
# offset stream and a PAM image.
"$bin/rv-single-colour" -f "$n" -w "$w" -h "$h" 0.25 0.5 0.75 0.5 > "$work/a.rv"
"$bin/rv-single-colour" -f "$n" -w "$w" -h "$h" 0.75 0.5 0.25 0.75 > "$work/b.rv"
"$bin/rv-single-colour" -f "$nb" -w "$w" -h "$h" 0.4 0.8 0.3 > "$work/blur-in.rv"
"$bin/rv-single-colour" -f "$nb" -w "$w" -h "$h" 3 3 3 > "$work/sigma3.rv"
varying_deviation "$w" "$h" "$nb" "$work/sigma-varying.rv"
"$bin/rv-single-colour" -f "$n" -w 1 -h 1 3 5 0 > "$work/offsets.rv"
"$bin/rv-crop" "$((w / 2))" "$((h / 2))" 0 0 < "$work/b.rv" > "$work/b-half.rv"
head -c "$(( $(wc -c < "$work/a.rv") ))" "$work/a.rv" | "$bin/rv-compress" > "$work/a.rvc"
"$bin/rv-cut" 0 1 "$work/a.rv" | "$bin/rv-to-image" > "$work/frame.pam"
"$bin/rv-cut" 0 2 "$work/a.rv" | "$bin/rv-to-text" > "$work/a.txt"
if [ "$have_ffmpeg" = 1 ]; then
    raw="-f rawvideo -pix_fmt gbrapf32le -s ${w}x${h}"
    for f in a b; do
        ffmpeg -v error -f lavfi -i "color=gray:s=${w}x${h}" -frames:v "$n" \
            -pix_fmt gbrapf32le -f rawvideo "$work/$f.raw"
    done
    ffmpeg -v error -f lavfi -i "color=gray:s=${w}x${h}" -frames:v "$nb" \
        -pix_fmt gbrapf32le -f rawvideo "$work/blur.raw"
    ffmpeg -v error -f lavfi -i "gradients=s=${w}x${h}" -frames:v "$nb" \
        -pix_fmt gbrapf32le -f rawvideo "$work/radius.raw"
    ffmpeg -v error -f lavfi -i "color=gray:s=$((w / 2))x$((h / 2))" -frames:v "$n" \
        -pix_fmt gbrapf32le -f rawvideo "$work/b-half.raw"
    export raw
fi
cat "$work"/* > /dev/null # into the page cache
hl=$(($(head -n 1 "$work/a.rv" | wc -c) + 5)) # head length
export hl

printf '%-38s %7s %7s %7s %7s %6s %7s %7s %6s\n' job "rv s" "rv cpu" "cat s" "cat cpu" cat/rv \
    "ff s" "ff cpu" ff/rv
# row LABEL RV CAT [OTHER]: the three command lines timed one after another.
row()
{
    case $1 in ${ONLY:-*}) ;; *) return 0 ;; esac
    # The row's input files into the page cache again: the system may have
    # evicted them since the start.
    for f in $(printf '%s\n' "$2" "$3" "${4:-}" | grep -o '[$]work/[A-Za-z0-9._-]*' | sort -u); do
        eval "cat $f" > /dev/null 2>&1 || true
    done
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

echo "== $n frames of ${w}x${h} ($(wc -c < "$work/a.rv") bytes a stream); blur: $nb frames"
echo "-- time"
row "rv-concat a b" '$bin/rv-concat $work/a.rv $work/b.rv' 'cat $work/a.rv $work/b.rv' \
    "$(ff '$raw -i $work/a.raw $raw -i $work/b.raw -filter_complex "[0][1]concat=n=2" $raw -')"
row "rv-cut (half)" '$bin/rv-cut $((n / 4)) $((n * 3 / 4)) $work/a.rv' \
    'tail -c $(( $(wc -c < $work/a.rv) / 2 )) $work/a.rv' \
    "$(ff '$raw -i $work/a.raw -vf trim=start_frame=$((n / 4)):end_frame=$((n * 3 / 4)) $raw -')"
row "rv-reverse" '$bin/rv-reverse $work/a.rv' 'cat $work/a.rv' "$(ff '$raw -i $work/a.raw -vf reverse $raw -')"
row "rv-repeat 2" '$bin/rv-repeat 2 $work/a.rv' 'cat $work/a.rv $work/a.rv' \
    "$(ff '-stream_loop 1 $raw -i $work/a.raw $raw -')"
row "rv-split (two parts)" 'cd $work && $bin/rv-split p1.rv $((n / 2)) p2.rv end < $work/a.rv' \
    'cat $work/a.rv > $work/p.raw'
row "rv-skip-pattern +1 1" '$bin/rv-skip-pattern +1 1 < $work/a.rv' 'cat < $work/a.rv'
row "rv-make-head" 'dd if=$work/a.rv bs=1M iflag=skip_bytes skip=$hl status=none | $bin/rv-make-head -f $n $w $h xyza' \
    'dd if=$work/a.rv bs=1M iflag=skip_bytes skip=$hl status=none | cat'
row "rv-compress" '$bin/rv-compress < $work/a.rv' 'cat < $work/a.rv'
row "rv-decompress" '$bin/rv-decompress < $work/a.rvc' 'cat < $work/a.rv'
echo "-- geometry"
row "rv-crop (half)" '$bin/rv-crop $((w / 2)) $((h / 2)) 0 0 < $work/a.rv' 'cat < $work/a.rv' \
    "$(ff '$raw -i $work/a.raw -vf crop=$((w / 2)):$((h / 2)):0:0 $raw -')"
row "rv-extend 100" '$bin/rv-extend -l 100 -r 100 -a 100 -b 100 < $work/a.rv' 'cat < $work/a.rv' \
    "$(ff '$raw -i $work/a.raw -vf pad=$((w + 200)):$((h + 200)):100:100 $raw -')"
row "rv-flop" '$bin/rv-flop < $work/a.rv' 'cat < $work/a.rv' "$(ff '$raw -i $work/a.raw -vf hflip $raw -')"
row "rv-flip" '$bin/rv-flip < $work/a.rv' 'cat < $work/a.rv' "$(ff '$raw -i $work/a.raw -vf vflip $raw -')"
row "rv-transpose" '$bin/rv-transpose < $work/a.rv' 'cat < $work/a.rv' \
    "$(ff '$raw -i $work/a.raw -vf transpose=0 $raw -')"
row "rv-translate" '$bin/rv-translate $work/offsets.rv < $work/a.rv' 'cat < $work/a.rv'
echo "-- composite"
row "rv-arith add" '$bin/rv-arith add $work/b.rv < $work/a.rv' 'cat < $work/a.rv' \
    "$(ff '$raw -i $work/a.raw $raw -i $work/b.raw -filter_complex "[0][1]blend=all_mode=addition" $raw -')"
row "rv-stack a b" '$bin/rv-stack $work/a.rv $work/b.rv' 'cat $work/a.rv' \
    "$(ff '$raw -i $work/a.raw $raw -i $work/b.raw -filter_complex "[0][1]overlay" $raw -')"
row "rv-set-alpha" '$bin/rv-set-alpha $work/b.rv < $work/a.rv' 'cat < $work/a.rv'
row "rv-set-luma" '$bin/rv-set-luma $work/b.rv < $work/a.rv' 'cat < $work/a.rv'
row "rv-set-saturation" '$bin/rv-set-saturation $work/b.rv < $work/a.rv' 'cat < $work/a.rv'
row "rv-invert-luma" '$bin/rv-invert-luma $work/b.rv < $work/a.rv' 'cat < $work/a.rv'
row "rv-fade" '$bin/rv-fade < $work/a.rv' 'cat < $work/a.rv' "$(ff '$raw -i $work/a.raw -vf fade=out:0:$n $raw -')"
row "rv-trail" '$bin/rv-trail $work/b.rv < $work/a.rv' 'cat < $work/a.rv' \
    "$(ff '$raw -i $work/a.raw -vf lagfun $raw -')"
row "crop | flop | arith mul | fade" \
    '$bin/rv-crop $((w / 2)) $((h / 2)) 0 0 < $work/a.rv | $bin/rv-flop | $bin/rv-arith mul $work/b-half.rv | $bin/rv-fade' \
    'cat < $work/a.rv' \
    "$(ff '$raw -i $work/a.raw -s $((w / 2))x$((h / 2)) -f rawvideo -pix_fmt gbrapf32le -i $work/b-half.raw -filter_complex "[0]crop=$((w / 2)):$((h / 2)):0:0,hflip[c];[c][1]blend=all_mode=multiply,fade=out:0:$n" $raw -')"
echo "-- convert and text"
row "rv-to-image (16-bit PAM, 1 frame)" '$bin/rv-cut 0 1 $work/a.rv | $bin/rv-to-image' \
    '$bin/rv-cut 0 1 $work/a.rv | cat' "$(im 'convert $work/frame.pam -depth 16 pam:-')"
row "rv-from-image -p (1 frame)" '$bin/rv-from-image -p < $work/frame.pam' 'cat < $work/frame.pam' \
    "$(im 'convert $work/frame.pam -depth 16 pam:-')"
row "rv-to-text (2 frames)" '$bin/rv-cut 0 2 $work/a.rv | $bin/rv-to-text' '$bin/rv-cut 0 2 $work/a.rv | cat'
row "rv-from-text (2 frames)" '$bin/rv-from-text < $work/a.txt' 'cat < $work/a.txt'
echo "-- blur ($nb frames, -s auto)"
row "rv-gauss-blur sigma 3 -j 1" '$bin/rv-gauss-blur -j 1 -s auto $work/sigma3.rv < $work/blur-in.rv' \
    'cat < $work/blur-in.rv' "$(ff '$raw -i $work/blur.raw -vf gblur=sigma=3 $raw -')"
row "rv-gauss-blur varying -j 1" '$bin/rv-gauss-blur -j 1 -s auto $work/sigma-varying.rv < $work/blur-in.rv' \
    'cat < $work/blur-in.rv' \
    "$(ff '$raw -i $work/blur.raw $raw -i $work/radius.raw -filter_complex "[0][1]varblur=min_r=1:max_r=16" $raw -')"
row "rv-gauss-blur varying -j 2" '$bin/rv-gauss-blur -j 2 -s auto $work/sigma-varying.rv < $work/blur-in.rv' \
    'cat < $work/blur-in.rv' \
    "$(ff '$raw -i $work/blur.raw $raw -i $work/radius.raw -filter_complex "[0][1]varblur=min_r=1:max_r=16" $raw -')"

# Peak memory must not grow with the number of frames.
case "memory" in ${ONLY:-*})
    mw=$((w / 3)) mh=$((h / 3))
    echo "-- peak RSS (kB) of ${mw}x$mh streams, 16 and 64 frames"
    for k in 16 64; do
        "$bin/rv-single-colour" -f $k -w $mw -h $mh 0.5 > "$work/m$k.rv"
        "$bin/rv-single-colour" -f $k -w $mw -h $mh 2 2 2 > "$work/s$k.rv"
    done
    for job in 'rv-reverse $work/m$k.rv' 'rv-transpose < $work/m$k.rv' \
        'rv-gauss-blur -s auto $work/s$k.rv < $work/m$k.rv' 'rv-stack $work/m$k.rv $work/m$k.rv'; do
        line=$(printf '%-38s' "$(echo "$job" | cut -d' ' -f1)")
        for k in 16 64; do
            export k
            timed "\$bin/$job"
            line="$line $(printf '%8s' "$rss")"
        done
        echo "$line"
    done ;;
esac
