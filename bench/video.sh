#!/bin/sh
# Throughput of the video converters without the cost of a real codec: a
# stand-in ffmpeg that only passes raw ayuv64le bytes on (cat), so what is
# measured is the conversion and the moving of bytes.  rv-from-video turns
# 6 million ayuv64le pixels into a stream file (head last) and rv-to-video
# turns the same stream back into ayuv64le, each in normal and -d mode, set
# next to cat(1) of the same bytes: for rv-from-video the ratio is to cat
# writing the stream's bytes into a file, for rv-to-video to cat reading them
# through a pipe.
#
# Usage: bench/video.sh BINDIR [SCRATCHDIR]
# About 300 MB of files are made under SCRATCHDIR (default /tmp) and removed.
set -eu
bin=$(cd "${1:?usage: video.sh BINDIR [SCRATCHDIR]}" && pwd)
scratch=${2:-/tmp}
work=$(mktemp -d "$scratch/rv-bench-video.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 1' INT TERM
PATH=$work/stand-in:$bin:$PATH
export PATH

. "$(dirname "$0")/common.sh"

# measure LABEL INPUT COMMAND...: one timed run, printed.
measure() { report "$@"; }

# The stand-in: rv-to-video's ffmpeg keeps what it reads in $work/fed (or
# drops it), rv-from-video's ffmpeg prints $work/ayuv.
mkdir "$work/stand-in"
cat > "$work/stand-in/ffmpeg" <<SCRIPT
#!/bin/sh
case "\$2" in
rawvideo) exec cat > "\${FED:-/dev/null}" ;;
*) exec cat "$work/ayuv" ;;
esac
SCRIPT
chmod +x "$work/stand-in/ffmpeg"

# 20 frames of 640x480 with a gradient of greys and alpha.
w=640 h=480 f=20
rv-single-colour -f $f -w $w -h $h 0.18 0.5 | rv-to-text | awk 'NR == 1 { print; next }
    { v = (NR % 997) / 997; print v * 0.95, v, v * 1.09, (NR % 3) / 2 }' |
    rv-from-text > "$work/stream.rv"
FED=$work/ayuv rv-to-video 25 out < "$work/stream.rv"

echo "rv-from-video, $((w * h * f)) ayuv64le pixels into a stream file"
base=0
measure "cat (ayuv bytes)" "$work/ayuv" cat
measure "cat (stream bytes) into a file" "$work/stream.rv" sh -c "cat > $work/copy.rv"
base=$last
measure "rv-from-video" /dev/null rv-from-video -w $w -h $h in "$work/out.rv"
measure "rv-from-video -d" /dev/null rv-from-video -d -w $w -h $h in "$work/out.rv"

echo "rv-to-video, the same pixels as a stream"
base=0
measure "cat (stream bytes)" "$work/stream.rv" cat
base=$last
measure "rv-to-video" "$work/stream.rv" rv-to-video 25 out
measure "rv-to-video -d" "$work/stream.rv" rv-to-video -d 25 out
