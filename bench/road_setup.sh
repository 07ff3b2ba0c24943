# Sourced by the road benchmarks (whole_road.sh, export_speed.sh) with their arguments:
# a release build of tarvenne-cli of its own (build/bench), the files of N contacts
# (default 100,000) made once per N under build/bench/road, and the timing helpers.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
n=${1:-100000}
build="$root/build/bench"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARVENNE_BENCH=ON -DTARVENNE_TESTS=OFF >/dev/null
cmake --build "$build" --target tarvenne-cli make_road_files >/dev/null
road="$build/road"
mkdir -p "$road"
[ -f "$road/book-$n" ] || { rm -f "$road"/book-*; "$build/bench/make_road_files" "$road" "$n" && touch "$road/book-$n"; }
cli="$build/cli/tarvenne-cli"

# The wall time of a command in microseconds, and the best of `count` runs of it.
microseconds() { local s e; s=$(date +%s%N); "$@" >/dev/null 2>&1 || true; e=$(date +%s%N); echo $(( (e - s) / 1000 )); }
best() { local b=999999999 t i; for i in $(seq "$1"); do t=$(microseconds "${@:2}"); [ "$t" -lt "$b" ] && b=$t; done; echo "$b"; }
