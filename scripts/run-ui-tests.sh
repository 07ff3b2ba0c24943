#!/bin/sh
# run-ui-tests.sh BUILD_DIR [ctest arguments...]
# Runs the window tests of a 64-bit Windows build (ctest label "ui") under wine64 on a
# virtual X display, then turns the wizard screenshots the tests saved
# (BUILD_DIR/screenshots/*.bmp) into PNG files beside them.
set -eu
[ $# -ge 1 ] || { echo "usage: $0 BUILD_DIR [ctest arguments...]" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
shift
command -v xvfb-run >/dev/null || { echo "$0: xvfb-run is missing (package xvfb)" >&2; exit 1; }

# The session's wineserver must belong to this display: stop one left from a run without it.
"$here/wine-session.sh" stop "$build"
rm -f "$build"/screenshots/*.bmp "$build"/screenshots/*.png

status=0
xvfb-run -a -s "-screen 0 1024x768x24" sh -c '
  here=$1; build=$2; shift 2
  "$here/wine-session.sh" start "$build" >/dev/null 2>&1 </dev/null
  status=0
  ctest --test-dir "$build" -L ui --output-on-failure "$@" || status=$?
  "$here/wine-session.sh" stop "$build"
  exit $status
' run-ui-tests "$here" "$build" "$@" || status=$?

if command -v convert >/dev/null; then
  for shot in "$build"/screenshots/*.bmp; do
    [ -f "$shot" ] || continue
    convert "$shot" "${shot%.bmp}.png" && rm -f "$shot"
  done
  ls "$build"/screenshots/*.png 2>/dev/null || true
fi
exit $status
