#!/bin/sh
# run_with_display.sh SHOT_DIR COMMAND...
# Runs a window test when there is a display to run it on (exit 77, "skipped", when there
# is none), then converts the screenshots it left in SHOT_DIR from BMP to PNG.
shots=$1
shift
if [ -z "${DISPLAY:-}" ]; then
  echo "no DISPLAY: skipped (run under xvfb-run -a)"
  exit 77
fi
mkdir -p "$shots"
rm -f "$shots"/*.bmp
"$@"
status=$?
if command -v convert >/dev/null 2>&1; then
  for bmp in "$shots"/*.bmp; do
    [ -f "$bmp" ] || continue
    convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
  done
fi
exit $status
