#!/bin/bash
# The whole road as a user runs it: tarvenne-cli convert of a 100,000-card vCard book into
# a 100,000-record contacts file of each layout (--select all --dry-run), best of 3 runs,
# against the best of 5 runs of "cat BOOK TARGET > /dev/null; cp TARGET scratch" with the
# files in the page cache; and the convert's peak resident memory against the two files.
#
#   bench/whole_road.sh [N]
set -euo pipefail
source "$(dirname "$0")/road_setup.sh"
plain() { cat "$road/book.vcf" "$1" >/dev/null; cp "$1" "$road/scratch"; }

for layout in classic palmsg; do
  target="$road/$layout.dat"
  version=$([ $layout = classic ] && echo 40101 || echo 60001)
  plain "$target"  # into the page cache
  base=$(best 5 plain "$target")
  run=$(best 3 "$cli" convert "$road/book.vcf" "$target" --select all --dry-run --format json --desktop-version "$version")
  rss=$(/usr/bin/time -f %M "$cli" convert "$road/book.vcf" "$target" --select all --dry-run --format json \
          --desktop-version "$version" 2>&1 >/dev/null | tail -1)
  bytes=$(( $(stat -c %s "$road/book.vcf") + $(stat -c %s "$target") ))
  awk -v l=$layout -v b=$base -v r=$run -v m=$rss -v f=$bytes 'BEGIN {
    printf "%-8s plain %7.1f ms  convert %8.1f ms  = %5.1fx   peak %6.0f MB = %4.2fx the files (%.0f MB)\n",
           l, b/1000, r/1000, r/b, m/1024, m*1024/f, f/1e6 }'
done
