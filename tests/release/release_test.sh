#!/bin/bash
# release_test.sh: the release made by scripts/make-release.sh into dist/, checked without
# running it; made a second time from a fresh build folder, to the same bytes; and its
# installer's 64-bit twin installed, installed again and uninstalled under wine64 in a fresh
# prefix. Everything else it makes lies in build/release-test/.
set -euo pipefail
export LC_ALL=C
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
work=$root/build/release-test
dist=$root/dist
here=$root/tests/release

rm -rf "$work"
mkdir -p "$work"

# Nothing here opens a window: without a display, a message box fails at once instead of
# waiting for a click that never comes.
unset DISPLAY WAYLAND_DISPLAY
export WINEPREFIX=$work/wineprefix WINEDEBUG=-all
# No desktop entries outside the prefix; no Mono or Gecko installer prompts.
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
WINE64=/usr/lib/wine/wine64
[ -x "$WINE64" ] || WINE64=wine64
WINESERVER=/usr/lib/wine/wineserver
[ -x "$WINESERVER" ] || WINESERVER=wineserver
# The prefix is made while the release builds: it costs seconds of waiting, not of work.
"$WINE64" wineboot --init >"$work/wineboot.log" 2>&1 </dev/null &
wineboot=$!

version=$(sed -n 's/^project(Tarvenne VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "$0: no project(Tarvenne VERSION ...) in CMakeLists.txt" >&2; exit 1; }
zip_name=tarvenne-$version-win32.zip
setup_name=tarvenne-$version-setup.exe
step() { echo "--- $* (at ${SECONDS}s)"; }
step "the release"
scripts/make-release.sh
# The second run: a build folder of its own, started from nothing, later than the first.
step "the release made again, and the 64-bit twin"
scripts/make-release.sh --build "$work/second" --dist "$work/second-dist" --twin64 "$work/twin"
step "checks"
twin=$work/twin/tarvenne-$version-setup-x64.exe

passed=0
failed=0
check() {
  local name=$1
  shift
  if "$@" >"$work/check.log" 2>&1; then
    passed=$((passed + 1))
    echo "ok    $name"
  else
    failed=$((failed + 1))
    echo "FAIL  $name"
    sed 's/^/      /' "$work/check.log"
  fi
}
same() { [ "$1" = "$2" ] || { printf 'expected: %s\n     got: %s\n' "$2" "$1"; return 1; }; }
same_files() { diff <(cd "$1" && find . -type f | sort) <(cd "$2" && find . -type f | sort) &&
               diff -r "$1" "$2"; }

# --- The 32-bit release, not run ------------------------------------------------------

expected_files() {
  printf '%s\n' LICENSE.txt README.txt help.html tarvenne-cli.exe tarvenne.exe
  (cd samples && ls *.vcf *.dat | sed 's|^|samples/|')
}
mkdir -p "$work/zip" "$work/setup-payload"
7z x -y -o"$work/zip" "$dist/$zip_name" >/dev/null

release_names() { same "$(cd "$dist" && ls | tr '\n' ' ')" "SHA256SUMS $setup_name $zip_name "; }
check "dist holds the zip, the installer and SHA256SUMS, named for version $version" release_names
check "SHA256SUMS matches both" sh -c "cd '$dist' && sha256sum -c SHA256SUMS"
check "the zip holds the program, guide, licence, help page and samples" \
  diff <(expected_files | sort) <(cd "$work/zip" && find . -type f | sed 's|^\./||' | sort)

crlf_only() { python3 -c 'import sys; d=open(sys.argv[1],"rb").read(); sys.exit(d.count(b"\n") != d.count(b"\r\n") or not d.endswith(b"\r\n"))' "$1"; }
guide_as_text() {
  crlf_only "$work/zip/README.txt" &&
  same "$(head -1 "$work/zip/README.txt" | tr -d '\r')" "$(sed -n '1s/^# //p' docs/guide.md)" &&
  ! grep -nE '^#|```|\*\*|\]\(' "$work/zip/README.txt"
}
check "README.txt is the guide as plain text with CR LF line ends" guide_as_text
check "LICENSE.txt is LICENSE with CR LF line ends" \
  sh -c "crlf() { sed 's/\$/\r/' \"\$1\"; }; crlf LICENSE | cmp - '$work/zip/LICENSE.txt'"
check "help.html and the samples are the tree's" sh -c "
  cmp resources/help.html '$work/zip/help.html' &&
  for f in samples/*.vcf samples/*.dat; do cmp \"\$f\" '$work/zip/'\"\$f\" || exit 1; done"

# Windows' own libraries only: nothing a user would have to find and install.
system_dlls='^(advapi32|comctl32|comdlg32|gdi32|kernel32|msvcrt|ole32|oleaut32|shell32|shlwapi|user32|uxtheme|version|ws2_32)\.dll$'
pe_is() {
  local file=$1 format=$2 objdump_tool=i686-w64-mingw32-objdump
  [ "$format" = pei-i386 ] || objdump_tool=x86_64-w64-mingw32-objdump
  "$objdump_tool" -f "$file" | grep -q "file format $format\$" || { echo "$file is not $format"; return 1; }
  local dlls
  dlls=$("$objdump_tool" -p "$file" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z')
  [ -n "$dlls" ] || { echo "$file imports nothing"; return 1; }
  ! echo "$dlls" | grep -vE "$system_dlls"
}
# A PE file's fixed (in capitals) and text file and product versions, "name=value" a line, as
# 7-Zip reads its version resource (.rsrc/version.txt, or under a language): a parser of its
# own, not the program's.
pe_versions() {
  7z x -so -tPE "$1" -r version.txt | iconv -f UTF-16LE -t UTF-8 | tr -d '\r' | sed -n -E \
    -e 's/^(FILEVERSION|PRODUCTVERSION) +([0-9]+), *([0-9]+), *([0-9]+), *([0-9]+) *$/\1=\2.\3.\4.\5/p' \
    -e 's/^ *VALUE "(FileVersion|ProductVersion)", *"(.*)" *$/\1=\2/p'
}
versions_are() {
  same "$(pe_versions "$1" | tr '\n' ' ')" "FILEVERSION=$2 PRODUCTVERSION=$2 FileVersion=$2 ProductVersion=$2 "
}
for exe in tarvenne.exe tarvenne-cli.exe; do
  check "$exe is PE32 (i386) and imports only system libraries" pe_is "$work/zip/$exe" pei-i386
  check "$exe's version resource is $version" versions_are "$work/zip/$exe" "$version.0"
done
check "the installer is PE32 (i386), the x86 stub" pe_is "$dist/$setup_name" pei-i386
check "the installer asks for no administrator rights" \
  grep -aq 'requestedExecutionLevel level="asInvoker"' "$dist/$setup_name"
check "the installer's version resource is $version" versions_are "$dist/$setup_name" "$version.0"

# 7-Zip reads an NSIS installer's payload; the uninstaller is written at install time and
# $PLUGINSDIR holds the installer's own plug-ins.
payload_is_zip() {
  7z x -y -o"$work/setup-payload" "$dist/$setup_name" >/dev/null
  rm -rf "$work/setup-payload/\$PLUGINSDIR" "$work/setup-payload/uninstall.exe"
  same_files "$work/zip" "$work/setup-payload"
}
check "the installer's payload (7z) is the zip's files, byte for byte" payload_is_zip

# --- Reproducible ---------------------------------------------------------------------

check "a second run from a fresh build folder gives the same SHA256SUMS" \
  cmp "$dist/SHA256SUMS" "$work/second-dist/SHA256SUMS"
same_bytes() {
  local name status=0
  for name in "$@"; do cmp "$dist/$name" "$work/second-dist/$name" || status=1; done
  return $status
}
check "... and the same zip and installer" same_bytes "$zip_name" "$setup_name"

# --- The 64-bit twin under wine64 -----------------------------------------------------

step "the twin under wine64"
w() { timeout 300 "$WINE64" "$@" </dev/null; }
settle() { timeout 300 "$WINESERVER" -w; }
unix_path() { local p=${1#[Cc]:\\}; printf '%s\n' "$WINEPREFIX/drive_c/${p//\\//}"; }
wait "$wineboot" || true
settle

twin_is() {
  x86_64-w64-mingw32-objdump -f "$twin" | grep 'file format pei-x86-64$' && pe_versions "$twin" | grep -x "ProductVersion=$version.0"
}
check "the twin is PE32+ (x86-64), the amd64 stub, version $version" twin_is

local_appdata=$(w cmd.exe /c echo %LOCALAPPDATA% | tr -d '\r')
appdata=$(w cmd.exe /c echo %APPDATA% | tr -d '\r')
instdir="$local_appdata\\Programs\\Tarvenne"
inst=$(unix_path "$instdir")
menu=$(unix_path "$appdata\\Microsoft\\Windows\\Start Menu\\Programs\\Tarvenne")
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarvenne'
payload=$work/second/stage-amd64

uninstall_values() {
  w reg query "$key" | tr -d '\r' | sed -n 's/^    \([^ ].*\)    \(REG_[A-Z_]*\)    \(.*\)$/\1|\2|\3/p' | sort
}
expected_values() {
  local kib
  # What NSIS counts for a section: each file's size rounded up to whole KiB.
  kib=$(find "$payload" -type f -printf '%s\n' | awk '{ k += int(($1 + 1023) / 1024) } END { print k }')
  sort <<EOF
DisplayIcon|REG_SZ|$instdir\\tarvenne.exe,0
DisplayName|REG_SZ|Tarvenne
DisplayVersion|REG_SZ|$version
EstimatedSize|REG_DWORD|$(printf '0x%x' "$kib")
InstallLocation|REG_SZ|$instdir
NoModify|REG_DWORD|0x1
NoRepair|REG_DWORD|0x1
Publisher|REG_SZ|The Tarvenne authors
QuietUninstallString|REG_SZ|"$instdir\\uninstall.exe" /S
UninstallString|REG_SZ|"$instdir\\uninstall.exe"
EOF
}
installed_as_staged() {
  [ -f "$inst/uninstall.exe" ] || { echo "no uninstall.exe"; return 1; }
  diff <(cd "$payload" && { find . -type f; [ -z "${1:-}" ] || echo "./$1"; echo ./uninstall.exe; } | sort) \
       <(cd "$inst" && find . -type f | sort) || return 1
  local differing
  differing=$(cd "$payload" && find . -type f -exec sh -c 'cmp -s "$1" "$2/$1" || echo "$1"' _ {} "$inst" \;)
  [ -z "$differing" ] || { echo "installed files unlike the payload: $differing"; return 1; }
}
# A shell link (its header's first four bytes 4C 00 00 00) names its target's local path in
# ANSI or in UTF-16.
link_points_at() {
  [ "$(head -c4 "$1" | od -An -tx1 | tr -d ' ')" = 4c000000 ] || { echo "$1 is not a shell link"; return 1; }
  { strings -a "$1"; strings -a -el "$1"; } | grep -iF -- "$2" >/dev/null || { echo "$1 does not point at $2"; return 1; }
}
shortcuts() {
  same "$(cd "$menu" && ls | tr '\n' ' ')" "Tarvenne Guide.lnk Tarvenne.lnk " &&
  link_points_at "$menu/Tarvenne.lnk" "$instdir\\tarvenne.exe" &&
  link_points_at "$menu/Tarvenne Guide.lnk" "$instdir\\README.txt"
}

w "$twin" /S
check "a silent install puts the files into %LOCALAPPDATA%\\Programs\\Tarvenne" installed_as_staged
check "the Start menu has the wizard and the guide" shortcuts
check "every uninstall value is registered under HKCU" diff <(expected_values) <(uninstall_values)
tool_version() { same "$(w "$inst/tarvenne-cli.exe" version | tr -d '\r')" "tarvenne-cli $version.0"; }
check "the installed tarvenne-cli.exe version says $version" tool_version

# The installed tool converts the installed address book into copies of the installed
# contacts files; a second look at each finds nothing new left.
converts_samples() {
  local file report
  mkdir -p "$work/converted" || return 1
  for run in "address-classic.dat 40101" "address-palmsg.dat 60001"; do
    set -- $run
    file=$work/converted/$1
    cp "$inst/samples/$1" "$file" || return 1
    report=$(w "$inst/tarvenne-cli.exe" convert "$instdir\\samples\\contacts.vcf" "$file" \
               --desktop-version "$2" --format json) || { echo "convert $1 failed: $report"; return 1; }
    python3 -c 'import json,sys; r=json.loads(sys.argv[1]); sys.exit(not (r["saved"] and r["added"] > 0))' \
      "$report" || { echo "$report"; return 1; }
    cmp "$inst/samples/$1" "$file.xbk" || { echo "the backup of $1 is not the file before"; return 1; }
    report=$(w "$inst/tarvenne-cli.exe" convert "$instdir\\samples\\contacts.vcf" "$file" \
               --desktop-version "$2" --dry-run --format json)
    python3 -c 'import json,sys; sys.exit(json.loads(sys.argv[1])["new"] != 0)' "$report" ||
      { echo "second look at $1: $report"; return 1; }
  done
}
check "the installed tool converts the installed samples" converts_samples

# Installing again over the installation: the files are replaced in place, the settings kept.
printf '[Brisfold]\r\nDataMode=1\r\nWabFile=C:\\Mail\\book.wab\r\n' >"$inst/tarvenne.ini"
cp "$inst/tarvenne.ini" "$work/settings.ini"
printf 'damaged' >"$inst/help.html"
w "$twin" /S
check "installing again keeps tarvenne.ini" cmp "$work/settings.ini" "$inst/tarvenne.ini"
check "... and puts back the installed files" installed_as_staged tarvenne.ini
check "... and registers the same values once" diff <(expected_values) <(uninstall_values)

# Uninstalling as Windows does, with the registered command. The uninstaller copies itself
# away and returns at once: wait for the prefix to fall idle.
silent_uninstall() {
  local command program arguments
  command=$(uninstall_values | sed -n 's/^QuietUninstallString|REG_SZ|//p')
  program=$(printf '%s' "$command" | sed -n 's/^"\([^"]*\)" *\(.*\)$/\1/p')
  arguments=$(printf '%s' "$command" | sed -n 's/^"\([^"]*\)" *\(.*\)$/\2/p')
  w "$program" $arguments
  settle
}
silent_uninstall
only_settings_left() {
  same "$(cd "$1" && find . | sort | tr '\n' ' ')" ". ./tarvenne.ini " &&
  cmp "$work/settings.ini" "$1/tarvenne.ini"
}
check "a silent uninstall leaves only the user's tarvenne.ini" only_settings_left "$inst"
check "... removes the Start-menu folder" test ! -e "$menu"
check "... and the uninstall key" eval '! w reg query "$key"'

# Another folder, given with /D= (with a space in it); an upgrade without /D= goes where the
# installed version is; uninstalling it where no settings were written leaves nothing.
first_inst=$inst
instdir='C:\Tarvenne test'
inst=$(unix_path "$instdir")
# As typed at a prompt: NSIS takes /D= unquoted, the rest of the line, spaces and all.
# shellcheck disable=SC2086
w "$twin" /S /D=$instdir
check "/D= installs into the folder it names" installed_as_staged
check "... and registers that folder" diff <(expected_values) <(uninstall_values)
printf 'damaged' >"$inst/help.html"
w "$twin" /S
upgraded_in_place() { installed_as_staged && only_settings_left "$first_inst"; }
check "an upgrade without /D= goes to the installed version's folder" upgraded_in_place
silent_uninstall
check "uninstalling it leaves nothing" test ! -e "$inst" -a ! -e "$menu"

echo
step "done"
echo "release: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
