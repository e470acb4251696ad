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

echo "== a stream made from text, its alpha halved by awk on the way"
printf '2 2 1 xyza\n0.95 1 1.09 1  0 0 0 1\n0.2 0.3 0.4 1  0.1 0.1 0.1 1\n' |
  rv-from-text | tee "$out/text.rv" | rv-to-text | awk 'NR > 1 { $4 /= 2 } 1' |
  rv-from-text | rv-to-text

echo "== its frames appended to a copy of it, then the head recounted in place"
cp "$out/text.rv" "$out/twice.rv"
{ rv-read-head > /dev/null; cat; } < "$out/text.rv" >> "$out/twice.rv"
rv-read-head < "$out/twice.rv"
rv-rewrite-head "$out/twice.rv" && rv-read-head < "$out/twice.rv"

echo "demo results are in $out"
