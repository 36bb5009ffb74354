#!/usr/bin/env bash
# Runs storagexml-bench on generated documents of 1 000 to 1 000 000 items and
# draws time and memory per item against the size as an SVG with gnuplot:
# flat lines mean the cost grows linearly with the document.
# Usage: bench/scaling.sh [BUILD_DIR] [OUT_DIR]   (defaults: build, bench)
# Writes OUT_DIR/scaling.dat (one row per size) and OUT_DIR/scaling.svg;
# SIZES="1000 5000" measures other sizes.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
out=${2:-bench}
bench="$build/bench/storagexml-bench"

scripts/deps.sh gnuplot-nox
[ -x "$bench" ] || make build BUILD="$build"

data="$out/scaling.dat"
{
  echo "# items, then per item: read warm/cold us, write warm/cold us, parse warm/cold us,"
  echo "# bytes of objects kept after a read, bytes of peak growth during a read, bytes of XML"
  for items in ${SIZES:-1000 10000 100000 1000000}; do
    runs=3
    [ "$items" -ge 1000000 ] && runs=1
    "$bench" --items "$items" --runs "$runs" --cold-runs "$runs" | awk -v items="$items" '
      /^write \(ToXml\)/   { ww = $4; wc = $6 }
      /^read \(FromXml\)/  { rw = $4; rc = $6 }
      /^raw Expat parse/   { pw = $5; pc = $7 }
      /^RESULT/ {
        for (i = 2; i <= NF; i++) { split($i, kv, "="); f[kv[1]] = kv[2] }
        per = f["bytes"] / items  # bytes per item; over MB/s, microseconds per item
        printf "%d %.3f %.3f %.3f %.3f %.3f %.3f %.0f %.0f %.0f\n", items, per / rw, per / rc, per / ww,
               per / wc, per / pw, per / pc, f["object_bytes_per_item"], f["read_mem_over_bytes"] * per, per
      }'
  done
} >"$data"

gnuplot <<EOF
set terminal svg size 800,640 font "sans,12" background "white"
set output "$out/scaling.svg"
set multiplot layout 2,1 title "storagexml-bench: cost per item against document size"
set logscale x
set xrange [700:1400000]
set format x "%.0s%c"
set key outside right
set grid
set ylabel "microseconds per item"
set yrange [0:*]
plot "$data" using 1:2 with linespoints title "read, warm", \
     "" using 1:3 with linespoints title "read, cold", \
     "" using 1:4 with linespoints title "write, warm", \
     "" using 1:5 with linespoints title "write, cold", \
     "" using 1:6 with linespoints title "raw parse, warm", \
     "" using 1:7 with linespoints title "raw parse, cold"
set ylabel "bytes per item"
set xlabel "items in the document"
plot "$data" using 1:8 with linespoints title "objects kept", \
     "" using 1:9 with linespoints title "peak during a read", \
     "" using 1:10 with linespoints title "XML text"
unset multiplot
EOF
echo "wrote $data and $out/scaling.svg"
