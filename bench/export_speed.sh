#!/bin/bash
# tarvenne-cli export of a 100,000-record contacts file of each layout, to standard output
# and with --output, best of 5 runs each, against the best of 5 runs of "cat FILE" with the
# file in the page cache; the goal is at most 10 times cat. Also the export's peak memory.
#
#   bench/export_speed.sh [N]
set -euo pipefail
source "$(dirname "$0")/road_setup.sh"

for layout in classic palmsg; do
  file="$road/$layout.dat"
  cat "$file" >/dev/null  # into the page cache
  base=$(best 5 cat "$file")
  out=$(best 5 "$cli" export "$file")
  to_file=$(best 5 "$cli" export "$file" --output "$road/$layout.vcf")
  rss=$(/usr/bin/time -f %M "$cli" export "$file" 2>&1 >/dev/null | tail -1)
  awk -v l=$layout -v b=$base -v o=$out -v f=$to_file -v m=$rss -v s=$(stat -c %s "$file") 'BEGIN {
    printf "%-8s %4.0f MB  cat %6.1f ms  export %6.1f ms = %4.1fx  --output %6.1f ms = %4.1fx  peak %3.0f MB\n",
           l, s/1e6, b/1000, o/1000, o/b, f/1000, f/b, m/1024 }'
done
