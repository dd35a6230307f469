#!/usr/bin/env bash
# Builds QM5's Debian package in a build folder of its own (build-deb/,
# configured for /usr, without tests or benchmarks) and prints its path.
# Install it with:  cd build-deb && sudo apt install ./qm5_*.deb
# The package's Maintainer field is "$DEBFULLNAME <$DEBEMAIL>" when both are set.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QM5_DEB_BUILD_DIR:-$root/build-deb}
"$root/scripts/install-deps.sh"

options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr -DQM5_TESTS=OFF -DQM5_BENCH=OFF)
if command -v ccache >/dev/null 2>&1; then
  options+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$root}
fi
if [ -n "${DEBFULLNAME:-}" ] && [ -n "${DEBEMAIL:-}" ]; then
  options+=("-DQM5_PACKAGE_MAINTAINER=$DEBFULLNAME <$DEBEMAIL>")
fi
cmake -S "$root" -B "$build" "${options[@]}"
cmake --build "$build" -j"$(nproc)"
rm -f "$build"/qm5_*.deb
(cd "$build" && cpack -G DEB)
ls "$build"/qm5_*.deb
