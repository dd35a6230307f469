#!/usr/bin/env bash
# pause-accuracy.sh [COUNT] [SEED]
#
# Scores the pause finder on a generated lesson of COUNT sentences (default
# 300, seed 1): builds the accuracy test, makes the lesson once into
# build/pauselessons-COUNT-SEED with scripts/make-pause-lessons.sh, and runs
# the test on it, which prints the figures for the clean and the noisy mp3.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QM5_BUILD_DIR:-$root/build}
count=${1:-300}
seed=${2:-1}

"$root/scripts/build.sh" --target test_analysis_accuracy >/dev/null
lessons="$build/pauselessons-$count-$seed"
echo "making $count sentences (seed $seed) in $lessons ..."
"$root/scripts/make-pause-lessons.sh" "$lessons" "$count" "$seed"
QM5_PAUSE_LESSONS="$lessons" "$build/bin/test_analysis_accuracy"
