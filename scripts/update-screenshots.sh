#!/bin/sh
# update-screenshots.sh [BUILD_DIR]
# Takes the README's pictures of the wizard again from the program as built: runs the
# window tests of the 64-bit Windows build (default build/win64, built if needed) under
# Wine on a virtual display, and keeps their 96-DPI pictures of the four pages, made
# small, as docs/wizard-1-options.png ... docs/wizard-4-result.png.
set -eu
cd "$(dirname "$0")/.."
build=${1:-build/win64}
[ -f "$build/build.ninja" ] || cmake --preset win64 >/dev/null
cmake --build "$build" -j2
scripts/run-ui-tests.sh "$build" -R ui_wizard_frame_test >/dev/null
for page in 1-options 2-record-list 3-progress 4-result; do
  convert "$build/screenshots/96dpi-$page.png" -strip -colors 256 \
          -define png:compression-level=9 "docs/wizard-$page.png"
done
ls -l docs/wizard-*.png
