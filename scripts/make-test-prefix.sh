#!/bin/sh
# make-test-prefix.sh BUILD_DIR [PALM_FOLDER]
# Points the Palm Desktop registry value of the build's Wine prefix (made by
# scripts/wine-session.sh start BUILD_DIR) at a Palm Desktop folder, so the wizard run
# under wine64 finds the stand-in installation of testbed/. PALM_FOLDER is a Linux path
# (turned into Wine's Z: form) or a Windows path; the default is BUILD_DIR/testbed/palm601.
# make-test-prefix.sh BUILD_DIR --remove deletes the value again: tests that expect no
# Palm Desktop installation (the command-line tool's) fail while it is set.
set -eu
[ $# -ge 1 ] || { echo "usage: $0 BUILD_DIR [PALM_FOLDER]" >&2; exit 2; }
build=$(cd "$1" && pwd)
folder=${2:-$build/testbed/palm601}
case "$folder" in
  --remove) ;;
  [A-Za-z]:*|\\*) ;;  # already a Windows path
  *)
    [ -d "$folder" ] || { echo "$0: no folder $folder (build the test bed first)" >&2; exit 1; }
    folder=$(cd "$folder" && pwd)
    folder="Z:$(printf '%s' "$folder" | tr / '\\')"
    ;;
esac
export WINEPREFIX="$build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "$0: no Wine prefix in $build; run scripts/wine-session.sh start $1 first" >&2
  exit 1
fi
WINE64=/usr/lib/wine/wine64
[ -x "$WINE64" ] || WINE64=wine64
key='HKCU\Software\U.S. Robotics\Pilot Desktop\Core'
if [ "$folder" = --remove ]; then
  "$WINE64" reg delete "$key" /v DesktopPath /f >/dev/null 2>&1 || true
  echo "DesktopPath removed"
  exit 0
fi
"$WINE64" reg add "$key" /v DesktopPath /t REG_SZ /d "$folder" /f >/dev/null
printf 'DesktopPath = %s\n' "$folder"
