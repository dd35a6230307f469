#!/usr/bin/env bash
# Installs, from Debian's packages, whatever QM5 needs to build, run and test
# and is not there yet. Runs apt-get as root, or through sudo.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-webengine-dev libgl-dev qt6-translations-l10n qt6-tools-dev qt6-l10n-tools
  libmpv-dev
  libpocketsphinx-dev libsphinxbase-dev pocketsphinx-en-us pocketsphinx-testdata libespeak-ng-dev
  libavformat-dev libavcodec-dev libswresample-dev libavutil-dev
  fonts-ipafont-gothic
  libgtest-dev libgmock-dev libbenchmark-dev
  libdtl-dev
  libsqlite3-dev libzip-dev
  clang libclang-rt-14-dev
  ffmpeg espeak-ng sox xvfb xauth
  ccache dbus-daemon dbus-bin
  librsvg2-bin
  desktop-file-utils libxml2-utils appstream shared-mime-info libglib2.0-bin
  man-db groff-base file dpkg-dev
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null 2>&1; then
  as_root=(sudo)
else
  echo "install-deps: need root (or sudo) to install: ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq "${missing[@]}"
