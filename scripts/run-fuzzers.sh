#!/bin/sh
# run-fuzzers.sh [SECONDS]
# Builds the libFuzzer targets (preset "fuzz", clang) and runs each for SECONDS seconds
# (default 60) with a fixed seed on a scratch copy of its corpus folders, so the checked-in
# corpora only change by hand. Fails when any target crashes or reports an error.
set -eu
seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j2
build="$root/build/fuzz/fuzz"
scratch=$(mktemp -d "${TMPDIR:-/tmp}/tarvenne-fuzz.XXXXXX")
trap 'rm -rf "$scratch"' EXIT INT TERM
status=0
found=0
for target in "$build"/*_fuzz; do
  [ -x "$target" ] || continue
  found=1
  name=$(basename "$target")
  corpus="$scratch/$name"
  mkdir -p "$corpus"
  if [ -f "$target.corpora" ]; then
    # One line, folders separated by ';' (a CMake list).
    for dir in $(tr ';' ' ' <"$target.corpora"); do
      [ -d "$dir" ] && find "$dir" -maxdepth 1 -type f ! -name 'README*' -exec cp {} "$corpus/" \;
    done
  fi
  echo "== $name: ${seconds}s on $(ls "$corpus" | wc -l) seeds"
  if ! (cd "$scratch" && "$target" -max_total_time="$seconds" -seed=1 -print_final_stats=1 \
          -artifact_prefix="$root/build/fuzz/$name-" "$corpus" >"$scratch/$name.log" 2>&1); then
    tail -40 "$scratch/$name.log" >&2
    echo "!! $name failed; the input is saved as build/fuzz/$name-*" >&2
    status=1
  else
    grep -E '^stat::number_of_executed_units|^Done' "$scratch/$name.log" || true
  fi
done
[ "$found" = 1 ] || { echo "no fuzz targets were built" >&2; exit 1; }
exit $status
