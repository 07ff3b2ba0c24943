#!/bin/sh
# The wizard's record list under Wine on a virtual display: books of 1,000 and 10,000 cards
# (or the sizes given) against a contacts file of 3,000 records, the times from Next to the
# list shown, and of ticking and unticking "Show Different Contacts Records Only".
#
#   bench/wizard_speed.sh [BUILD_DIR] [--wizard WINDOWS_PATH_OF_TARVENNE.EXE] [CARDS...]
#   (BUILD_DIR default build/win64; --wizard times another build of the program)
set -eu
cd "$(dirname "$0")/.."
build=build/win64
if [ $# -ge 1 ] && [ -d "$1" ]; then build=$1; shift; fi
[ -f "$build/build.ninja" ] || cmake --preset win64 >/dev/null
cmake --build "$build" -j2 --target wizard_speed >/dev/null
build=$(cd "$build" && pwd)
command -v xvfb-run >/dev/null || { echo "$0: xvfb-run is missing (package xvfb)" >&2; exit 1; }

scripts/wine-session.sh stop "$build"
xvfb-run -a -s "-screen 0 1024x768x24" sh -c '
  build=$1; shift
  scripts/wine-session.sh start "$build" >/dev/null 2>&1 </dev/null
  status=0
  "$build/wine-run.sh" "$build/tests/ui/wizard_speed.exe" "$@" || status=$?
  scripts/wine-session.sh stop "$build"
  exit $status
' wizard-speed "$build" "$@"
