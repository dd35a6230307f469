#!/usr/bin/env bash
# run-startup-bench.sh [BUILD_DIR] [RUNS]
# Builds the start-up probes and their driver in BUILD_DIR (default: build)
# and prints the figures: time to the main window's first paint and VmRSS
# then, beside a minimal Qt Widgets program; and whether a web engine process
# exists before the browser window is shown.
set -euo pipefail
build=${1:-build}
runs=${2:-9}
cmake --build "$build" --target bench_browser_startup -j2 >/dev/null
# The engine's own start-up chatter goes to stderr; the figures to stdout.
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$build/bin/bench_browser_startup" "$runs" 2>/dev/null
