#!/bin/bash
# make-release.sh [--dist DIR] [--build DIR] [--twin64 DIR]
# The Windows release from this checkout: the 32-bit product built for release (statically
# linked, stripped), and in the --dist folder (default dist/) tarvenne-VERSION-win32.zip, the
# per-user installer tarvenne-VERSION-setup.exe and SHA256SUMS. VERSION is the CMake project's.
# Every time stamp comes from the commit (SOURCE_DATE_EPOCH), so two runs on one commit give
# the same bytes. --build DIR holds the builds and staged files (default build/release).
# --twin64 DIR also makes the installer's 64-bit twin, the same script around the 64-bit
# build with the amd64 stub, into DIR for the install test under wine64: never a download.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

dist=dist
build=build/release
twin=""
while [ $# -gt 0 ]; do
  case "$1" in
    --dist) dist=$2; shift 2 ;;
    --build) build=$2; shift 2 ;;
    --twin64) twin=$2; shift 2 ;;
    *) echo "usage: $0 [--dist DIR] [--build DIR] [--twin64 DIR]" >&2; exit 2 ;;
  esac
done

scripts/install-deps.sh

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null) || {
    echo "$0: not a git checkout; set SOURCE_DATE_EPOCH to the release's time" >&2; exit 1; }
fi
[ -z "$(git status --porcelain --untracked-files=no 2>/dev/null)" ] ||
  echo "$0: warning: the checkout has uncommitted changes; the release is not the commit's" >&2
export SOURCE_DATE_EPOCH TZ=UTC LC_ALL=C
mkdir -p "$build" "$dist"
build=$(cd "$build" && pwd)
dist=$(cd "$dist" && pwd)

# build_product PRESET FOLDER: tarvenne.exe and tarvenne-cli.exe for release. No time stamp
# in the PE header, no symbols, no path of this checkout in the code.
build_product() {
  cmake --preset "$1" -B "$2" -DCMAKE_BUILD_TYPE=Release \
        -DTARVENNE_TESTS=OFF -DTARVENNE_TESTBED=OFF \
        -DCMAKE_C_FLAGS="-ffile-prefix-map=$root=." -DCMAKE_CXX_FLAGS="-ffile-prefix-map=$root=." \
        -DCMAKE_EXE_LINKER_FLAGS="-s -Wl,--no-insert-timestamp" >/dev/null
  cmake --build "$2" -j2 --target tarvenne tarvenne-cli
}

# stage_product BUILD STAGE: the files a user gets, as they lie in the zip and the
# installation folder, dated at the commit.
stage_product() {
  rm -rf "$2"
  mkdir -p "$2/samples"
  # help.html is the one the build put beside the wizard, where Help looks for it.
  cp "$1/ui/tarvenne.exe" "$1/ui/help.html" "$1/cli/tarvenne-cli.exe" "$2/"
  python3 release/package.py guide docs/guide.md "$2/README.txt"
  python3 release/package.py text LICENSE "$2/LICENSE.txt"
  cp samples/*.vcf samples/*.dat "$2/samples/"
  find "$2" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
}

# make_installer ARCH STAGE OUTFILE
make_installer() {
  python3 release/package.py nsis-list "$2" "$2.nsh"
  makensis -V2 -WX -DVERSION="$version" -DARCH="$1" -DSTAGE="$2" -DPAYLOAD="$2.nsh" \
           -DOUTFILE="$3" "$root/release/tarvenne.nsi"
}

build_product win32 "$build/win32"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/win32/CMakeCache.txt")
[ -n "$version" ] || { echo "$0: no project version in $build/win32/CMakeCache.txt" >&2; exit 1; }
stage_product "$build/win32" "$build/stage-x86"

zip_name=tarvenne-$version-win32.zip
setup_name=tarvenne-$version-setup.exe
rm -f "$dist"/tarvenne-*-win32.zip "$dist"/tarvenne-*-setup.exe "$dist/SHA256SUMS"
python3 release/package.py zip "$build/stage-x86" "$dist/$zip_name" "$SOURCE_DATE_EPOCH"
make_installer x86 "$build/stage-x86" "$dist/$setup_name"
(cd "$dist" && sha256sum "$zip_name" "$setup_name" >SHA256SUMS.part && mv SHA256SUMS.part SHA256SUMS)

if [ -n "$twin" ]; then
  mkdir -p "$twin"
  twin=$(cd "$twin" && pwd)
  case "$twin/" in "$dist"/*) echo "$0: the 64-bit twin never goes into $dist" >&2; exit 2 ;; esac
  build_product win64 "$build/win64"
  stage_product "$build/win64" "$build/stage-amd64"
  make_installer amd64 "$build/stage-amd64" "$twin/tarvenne-$version-setup-x64.exe"
  echo "64-bit twin: $twin/tarvenne-$version-setup-x64.exe"
fi

echo "Release $version (commit time $SOURCE_DATE_EPOCH) in $dist:"
cat "$dist/SHA256SUMS"
