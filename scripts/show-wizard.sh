#!/bin/sh
# show-wizard.sh [--screenshot FILE.png] [BUILD_DIR]
# Opens the wizard under wine64 on the sample data, for a look at it: builds the 64-bit
# Windows program if needed (BUILD_DIR, default build/win64), copies it with fresh copies
# of samples/ into BUILD_DIR/show-wizard/, writes a tarvenne.ini there that points at
# them (and at the stand-in Palm Desktop 6.0.1 of the test bed, when it was built), and
# starts it. With a display (DISPLAY set) the wizard opens there and the script waits
# until it is closed; without one, or with --screenshot, it runs on a virtual display and
# saves a picture of the first page (default BUILD_DIR/show-wizard/wizard.png).
set -eu
cd "$(dirname "$0")/.."
shot=
if [ "${1:-}" = "--screenshot" ]; then
  [ $# -ge 2 ] || { echo "usage: $0 [--screenshot FILE.png] [BUILD_DIR]" >&2; exit 2; }
  shot=$2
  shift 2
fi
build=${1:-build/win64}

if [ ! -f "$build/build.ninja" ]; then
  if [ "$build" = build/win64 ]; then
    cmake --preset win64 >/dev/null
  else
    cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
  fi
fi
targets=tarvenne
grep -q 'tarvenne_testbed' "$build/build.ninja" && targets="$targets tarvenne_testbed"
# shellcheck disable=SC2086
cmake --build "$build" -j2 --target $targets
build=$(cd "$build" && pwd)

winpath() { printf 'Z:%s' "$1" | tr / '\\'; }

run="$build/show-wizard"
mkdir -p "$run"
cp "$build/ui/tarvenne.exe" "$build/ui/help.html" "$run/"
for sample in contacts.vcf address-classic.dat address-palmsg.dat; do
  if [ -f "samples/$sample" ]; then
    cp "samples/$sample" "$run/"
  else
    echo "$0: samples/$sample is missing; the wizard opens without it" >&2
  fi
done
rm -f "$run"/*.xbk
palm="$build/testbed/palm601"
target=address-palmsg.dat
[ -f "$palm/palm.exe" ] || target=address-classic.dat
{
  printf '[Brisfold]\r\nDataMode=1\r\nWabFile=%s\r\n' "$(winpath "$run/contacts.vcf")"
  printf 'PalmMode=1\r\nPalmFile=%s\r\nUserID=1001\r\n' "$(winpath "$run/$target")"
  if [ -f "$palm/palm.exe" ]; then
    printf '[Path]\r\nPDPath=%s\r\n' "$(winpath "$palm")"
  fi
} > "$run/tarvenne.ini"

export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
WINE64=/usr/lib/wine/wine64
[ -x "$WINE64" ] || WINE64=wine64

if [ -n "${DISPLAY:-}" ] && [ -z "$shot" ]; then
  scripts/wine-session.sh start "$build" >/dev/null 2>&1 </dev/null
  echo "The wizard runs in $run (close it to end this script)."
  (cd "$run" && "$WINE64" tarvenne.exe) || true
  scripts/wine-session.sh stop "$build"
  echo "Settings written: $run/tarvenne.ini"
  exit 0
fi

shot=${shot:-$run/wizard.png}
case "$shot" in /*) ;; *) shot="$PWD/$shot" ;; esac
scripts/wine-session.sh stop "$build"
xvfb-run -a -s "-screen 0 1024x768x24" sh -c '
  build=$1; run=$2; shot=$3; wine=$4; here=$5
  "$here/wine-session.sh" start "$build" >/dev/null 2>&1 </dev/null
  (cd "$run" && exec "$wine" tarvenne.exe) &
  pid=$!
  sleep 8
  import -window root "$shot"
  kill $pid 2>/dev/null || true
  "$here/wine-session.sh" stop "$build"
' show-wizard "$build" "$run" "$shot" "$WINE64" "$PWD/scripts"
echo "Screenshot: $shot"
