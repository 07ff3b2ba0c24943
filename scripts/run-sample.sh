#!/bin/sh
# Converts the bundled sample address book into a copy of each sample Palm Desktop file
# (classic and newer layout) with the command-line tool, printing each report and the
# records that result. The samples themselves are never changed.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scripts/install-deps.sh
cmake --preset host
cmake --build build/host --target tarvenne-cli
cli=build/host/cli/tarvenne-cli

scratch=build/sample-run
rm -rf "$scratch"
mkdir -p "$scratch"
cp samples/address-classic.dat samples/address-palmsg.dat "$scratch/"

# Palm Desktop 4.1.1 writes the classic layout, 6.0.1 the newer one.
for run in "address-classic.dat 40101" "address-palmsg.dat 60001"; do
  set -- $run
  echo
  echo "== tarvenne-cli convert samples/contacts.vcf $scratch/$1 --desktop-version $2"
  "$cli" convert samples/contacts.vcf "$scratch/$1" --desktop-version "$2"
  echo
  echo "== tarvenne-cli dump $scratch/$1"
  "$cli" dump "$scratch/$1"
done
