#!/bin/sh
# A showcase chain of the suite's programs.  Usage: demo.sh BINDIR OUTDIR
set -eu
bin=$(cd "$1" && pwd)
out=$2
mkdir -p "$out"
PATH=$bin:$PATH
export PATH

echo "== a 4x2 frame of D65 grey at half luminance, printed as text"
rv-single-colour -w 4 -h 2 0.5 | tee "$out/grey.rv" | rv-to-text | tee "$out/grey.txt" | head -3

echo "== an endless stream cut short by head(1): the generator stops at the broken pipe"
rv-single-colour -f inf -w 1920 -h 1080 1 0.5 | head -c 100000000 | wc -c

echo "demo results are in $out"
