#!/bin/bash
# tarvenne-cli export of a 100,000-record contacts file of each layout, to standard output
# and with --output, best of 5 runs each, against the best of 5 runs of "cat FILE" with the
# file in the page cache; the goal is at most 10 times cat. Also the export's peak memory.
#
#   bench/export_speed.sh [N]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
n=${1:-100000}
build="$root/build/bench"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARVENNE_BENCH=ON -DTARVENNE_TESTS=OFF >/dev/null
cmake --build "$build" --target tarvenne-cli make_road_files >/dev/null
road="$build/road"
mkdir -p "$road"
[ -f "$road/book-$n" ] || { "$build/bench/make_road_files" "$road" "$n" && touch "$road/book-$n"; }
cli="$build/cli/tarvenne-cli"

microseconds() { local s e; s=$(date +%s%N); "$@" >/dev/null 2>&1 || true; e=$(date +%s%N); echo $(( (e - s) / 1000 )); }
best() { local b=999999999 t i; for i in $(seq "$1"); do t=$(microseconds "${@:2}"); [ "$t" -lt "$b" ] && b=$t; done; echo "$b"; }

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
