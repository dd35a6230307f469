#!/usr/bin/env bash
# Installs what is missing, builds QM5 with its tests and runs every test; then
# builds the tests again in a second tree (build-asan/ beside build/) under the
# address sanitizer (with its leak checker) and the undefined-behaviour
# sanitizer, and runs them there. Arguments go to both ctest runs. Exits
# non-zero when either run fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
build=${QM5_BUILD_DIR:-$root/build}
export QT_QPA_PLATFORM=offscreen
status=0
(cd "$build" && ctest --output-on-failure -j2 "$@") || status=$?

# The sanitizer tree. Left out there, by label:
# - fuzz: the fuzzers run once, in the first tree (they are built with the
#   sanitizers anyway);
# - webengine: the browser tests. QtWebEngine's Chromium trips the address
#   sanitizer inside itself (a sized delete of the wrong size when a page
#   goes), and its classes carry no type information, so the vptr check of
#   the undefined-behaviour sanitizer cannot tell its objects from bad ones.
# The tests on real media run here too.
# Leaks are checked; tests/sanitizers/lsan.supp names the libraries whose own
# memory, kept to the end of the process, is not counted.
asan=$build-asan
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$root/tests/sanitizers/lsan.supp:print_suppressions=0
if [ ! -f "$asan/CMakeCache.txt" ]; then
  launcher=()
  command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  # -O1 and line tables only: the stacks the sanitizers print need no more,
  # and the build of this tree costs less. Asserts stay on. No benchmarks.
  cmake -S "$root" -B "$asan" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" \
    -DQM5_SANITIZE=ON -DQM5_BENCH=OFF "${launcher[@]}"
fi
# The sanitizers are also at work while the build lists each test binary's cases.
QM5_BUILD_DIR=$asan "$root/scripts/build.sh"
(cd "$asan" && ctest --output-on-failure -j2 -LE 'fuzz|webengine' "$@") || status=$?
exit "$status"
