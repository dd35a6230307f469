#!/usr/bin/env bash
# An hour of playback (by default) of the sample lesson at the highest rate,
# Repeat with Auto Pause, three times each block and on to the next; prints,
# each minute and at the end, where repetitions started against their block's
# start, how far past the end the end was caught, the resident memory and the
# event loop's longest stall. Not part of the test suite: it takes about an
# hour. Usage: soak.sh BUILD_DIR [MEDIA_SECONDS] [RATE]
set -euo pipefail
build=${1:?build folder}
root=$(cd "$(dirname "$0")/../.." && pwd)
cmake --build "$build" --target bench_soak >/dev/null
exec "$build/bin/bench_soak" "$root/samples/lesson.bsd" "${2:-3600}" "${3:-2.0}"
