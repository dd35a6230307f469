#!/usr/bin/env bash
# Configures (once) and builds QM5 into build/. The program lands in build/bin/qm5.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QM5_BUILD_DIR:-$root/build}
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  # Paths relative to the checkout, so that two checkouts share the cache.
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$root}
fi
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}"
fi
cmake --build "$build" -j"$(nproc)" "$@"
