# Shared by the benchmark scripts (sourced, not run), as the first thing they
# do: . "$(dirname "$0")/common.sh"
#
# Every job is a shell command line, run by sh -c with standard input from
# /dev/null (the line gives its own input with <) and standard output into a
# pipe to cat >/dev/null, so what a reader in a pipeline costs is not counted.
# The lines see the exported variables: bin, work and what the script exports.

me=${0##*/}

# start USAGE BINDIR [SCRATCHDIR]: bin, the absolute path of BINDIR, and work,
# a new directory under SCRATCHDIR (default /tmp) that is removed on exit,
# both exported.  Without BINDIR, prints "usage: SCRIPT USAGE" and exits 2.
start()
{
    [ -n "${2:-}" ] || { echo "usage: $me $1" >&2; exit 2; }
    bin=$(cd "$2" && pwd)
    work=$(mktemp -d "${3:-/tmp}/rv-bench-${me%.sh}.XXXXXX")
    trap 'rm -rf "$work"' EXIT
    trap 'exit 1' INT TERM
    export bin work
}

# needs COMMAND...: exits with a message unless every COMMAND is installed.
needs()
{
    for _command in "$@"; do
        command -v "$_command" > /dev/null || { echo "$me: $_command is needed" >&2; exit 1; }
    done
}

# sizes WIDTH HEIGHT [FRAMES]: width, height and frames from the environment's
# WIDTH, HEIGHT and FRAMES, else these defaults; exported.
sizes()
{
    width=${WIDTH:-$1} height=${HEIGHT:-$2} frames=${FRAMES:-${3:-1}}
    export width height frames
}

# stream_head FRAMES WIDTH HEIGHT: the head of an xyza stream.
stream_head() { printf '%s %s %s xyza\n\0uivf' "$1" "$2" "$3"; }

# repeat COUNT FILE: FILE's bytes COUNT times over.
repeat()
{
    _left=$1
    while [ "$_left" -gt 0 ]; do
        cat "$2"
        _left=$((_left - 1))
    done
}

# varying_deviation WIDTH HEIGHT FRAMES STREAM [PLANE]: STREAM is FRAMES frames
# of a deviation that differs at every pixel, 0.75 to 5.25, growing to the
# right and downwards; PLANE the same growth as FRAMES planes of grayf32le
# samples from 0 to 1 (ffmpeg varblur's radius input).
varying_deviation()
{
    python3 - "$1" "$2" "$work/deviation.frame" "$work/deviation.plane" <<'EOF'
import array, sys
w, h = map(int, sys.argv[1:3])
frame, plane = array.array("d"), array.array("f")
for y in range(h):
    for x in range(w):
        t = (x / max(w - 1, 1) + y / max(h - 1, 1)) / 2
        s = 0.75 + 4.5 * t
        frame.extend((s, s, s, 1.0))
        plane.append(t)
with open(sys.argv[3], "wb") as out:
    out.write(frame.tobytes())
with open(sys.argv[4], "wb") as out:
    out.write(plane.tobytes())
EOF
    { stream_head "$3" "$1" "$2"; repeat "$3" "$work/deviation.frame"; } > "$4"
    [ -z "${5:-}" ] || repeat "$3" "$work/deviation.plane" > "$5"
    rm -f "$work/deviation.frame" "$work/deviation.plane"
}

# timed COMMAND-LINE: one run of the command line.  Sets wall, user and sys
# (seconds, children included), cpu = user + sys, rss (peak kilobytes of the
# largest process) and status.  A failing command is reported on standard
# error with its status and the start of its standard error, and its wall
# time is taken as 0.
timed()
{
    /usr/bin/time -f '%e %U %S %M %x' -o "$work/time" sh -c "$1" < /dev/null 2> "$work/err" |
        cat > /dev/null
    tail -n 1 "$work/time" > "$work/last" # after "Command exited with ..."
    read -r wall user sys rss status < "$work/last"
    if [ "$status" != 0 ]; then
        echo "$me: failed ($status): $1: $(head -c 300 "$work/err")" >&2
        wall=0
    fi
    cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.2f", u + s }')
}

# ratio A B: A / B with two decimals, or "-" when B is 0.
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else printf "-" }'; }

# measure LABEL COMMAND-LINE: timed, then one line: wall and CPU seconds;
# MB/s with rate_bytes set to the bytes a run moves; frames/s with
# rate_frames set to the frames it makes; and with a baseline set (by
# baseline or set_baseline) the command's wall and CPU time over the
# baseline's.
measure()
{
    timed "$2"
    awk -v l="$1" -v w="$wall" -v u="$user" -v s="$sys" -v b="${rate_bytes:-0}" \
        -v f="${rate_frames:-0}" -v bw="${base_wall:-}" -v bc="${base_cpu:-}" 'BEGIN {
        printf "  %-34s wall %6.2f s  cpu %6.2f s (user %5.2f, sys %5.2f)", l, w, u + s, u, s
        if (b > 0) printf "  %7.0f MB/s", (w > 0 ? b / w / 1e6 : 0)
        if (f > 0) printf "  %6.2f frames/s", (w > 0 ? f / w : 0)
        if (bw != "") printf "  wall x%s, cpu x%s of the baseline", q(w, bw), q(u + s, bc)
        printf "\n" }
        function q(a, b) { return b > 0 ? sprintf("%.2f", a / b) : "-" }'
}

# set_baseline [WALL CPU]: the baseline of the measures that follow; none
# without arguments.
set_baseline() { base_wall=${1:-} base_cpu=${2:-}; }

# baseline LABEL COMMAND-LINE: measure, then that run is the baseline.
baseline()
{
    set_baseline
    measure "$@"
    set_baseline "$wall" "$cpu"
}

# cat_baselines XYZA GBRAPF32LE: cat of each file, for rv_and_ffmpeg the
# baselines rv_base and ffmpeg_base (each "WALL CPU").
cat_baselines()
{
    xyza=$1 gbrapf32le=$2
    export xyza gbrapf32le
    baseline "cat of the xyza bytes" 'cat < "$xyza"'
    rv_base="$base_wall $base_cpu"
    baseline "cat of the gbrapf32le bytes" 'cat < "$gbrapf32le"'
    ffmpeg_base="$base_wall $base_cpu"
}

# rv_and_ffmpeg NAME:RV:FILTER RV-LINE FFMPEG-LINE: with rv and filter set
# (and exported) from the job's parts, RV-LINE against the baseline rv_base,
# FFMPEG-LINE against ffmpeg_base, then the rv job's wall time over ffmpeg's.
rv_and_ffmpeg()
{
    _name=${1%%:*} _rest=${1#*:}
    rv=${_rest%%:*} filter=${_rest#*:}
    export rv filter
    echo "-- $_name"
    # shellcheck disable=SC2086 # two words
    set_baseline $rv_base
    measure "$rv" "$2"
    _rv_wall=$wall
    # shellcheck disable=SC2086
    set_baseline $ffmpeg_base
    measure "ffmpeg $filter" "$3"
    echo "  rv/ffmpeg wall: $(ratio "$_rv_wall" "$wall")"
}
