#!/bin/bash
# Every test of the project, as CI runs them: host tests, the same under AddressSanitizer
# and UndefinedBehaviorSanitizer, the 64-bit Windows build's tests under wine64 (the
# window tests on a virtual display), a short run of each fuzzer on top of its corpus, and
# the release (the 32-bit product, made twice to the same bytes, checked, and its
# installer's 64-bit twin installed under wine64). FUZZ_SECONDS (default 15) sets the
# fuzzing time.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)
failed=()
step() { echo; echo "=== $* ==="; }

# The release runs beside the other steps at the lowest priority, in a session of its own
# (so that it can be stopped whole): its builds take the core that the Wine tests and the
# fuzzers leave idle. A new session is a new scheduling group where the kernel groups by
# session, and a group's own nice value is what counts against the others. Its report is
# printed at the end.
mkdir -p build
release_log=build/release-test.log
setsid sh -c '{ echo 19 >/proc/self/autogroup; } 2>/dev/null
              exec nice -n 19 tests/release/release_test.sh' >"$release_log" 2>&1 </dev/null &
release_pid=$!
stop_release() { kill -- -"$release_pid" 2>/dev/null || true; }
trap stop_release EXIT
trap 'exit 130' INT TERM

step "host build and tests"
cmake --preset host >/dev/null
cmake --build build/host -j "$jobs"
ctest --test-dir build/host --output-on-failure -j "$jobs" || failed+=("host")

step "host tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset host-asan >/dev/null
cmake --build build/host-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/host-asan --output-on-failure -j "$jobs" || failed+=("host-asan")

step "64-bit Windows build and its tests under wine64"
cmake --preset win64 >/dev/null
cmake --build build/win64 -j "$jobs"
scripts/wine-session.sh start build/win64
ctest --test-dir build/win64 --output-on-failure -LE ui || failed+=("win64")
scripts/wine-session.sh stop build/win64
if [ -x scripts/run-ui-tests.sh ]; then
  scripts/run-ui-tests.sh build/win64 || failed+=("win64-ui")
fi

if [ -x scripts/run-fuzzers.sh ]; then
  step "fuzzers, ${FUZZ_SECONDS:-15} s each"
  scripts/run-fuzzers.sh "${FUZZ_SECONDS:-15}" || failed+=("fuzz")
fi

step "the release: the 32-bit product made twice, checked, its twin installed (ran beside the steps above)"
wait "$release_pid" || failed+=("release")
cat "$release_log"

echo
if [ ${#failed[@]} -gt 0 ]; then
  echo "FAILED: ${failed[*]}"
  exit 1
fi
echo "All test suites passed."
