#!/bin/sh
# Speed of rv-farm against the same chain run once over the whole file: a blur
# with "-s auto" and a deviation of 12 pixels on 16 frames of 320x240, the
# farm on 2 local job slots (each slot a blur with -j 1) and the single run
# with -j 1 and -j 2.  Next to them: cat(1) of the same bytes through a pipe.
#
# Usage: scripts/farm-bench.sh BINDIR [SCRATCHDIR]
# Needs GNU parallel.  The streams (about 80 MB) are made in a temporary
# directory under SCRATCHDIR (default /tmp) and removed at the end.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
bin=$(cd "${1:?usage: farm-bench.sh BINDIR [SCRATCHDIR]}" && pwd)
scratch=${2:-/tmp}
work=$(mktemp -d "$scratch/rv-bench-farm.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 1' INT TERM
. "$here/../bench/common.sh"
PATH=$bin:$here:$PATH
export PATH

rv-single-colour -f 16 -w 320 -h 240 0.4 0.8 0.3 > "$work/in.rv"
rv-single-colour -f 16 -w 320 -h 240 12 12 12 > "$work/sd.rv"
cd "$work"

echo "rv-farm, 16 frames of 320x240, blur with a deviation of 12 (-s auto):"
base=0
report "cat (baseline)" in.rv cat
base=$last
report "single run, -j 1" in.rv rv-gauss-blur -j 1 -s auto sd.rv
report "single run, -j 2" in.rv rv-gauss-blur -j 2 -s auto sd.rv
report "rv-farm -j 2 (2 local slots)" /dev/null \
    rv-farm -j 2 -o farm.rv in.rv 'rv-gauss-blur -j 1 -s auto <(rv-cut {from} {to} sd.rv)'
rv-gauss-blur -j 1 -s auto sd.rv < in.rv | cmp -s - farm.rv && echo "  farm output identical to the single run"
