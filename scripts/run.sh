#!/usr/bin/env bash
# Builds QM5 and starts it on the given file or web address, or on the sample
# lesson when none is given. Without a display it runs under Xvfb.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" --target qm5
build=${QM5_BUILD_DIR:-$root/build}

args=("$@")
if [ ${#args[@]} -eq 0 ] && [ -f "$root/samples/lesson.bsd" ]; then
  args=("$root/samples/lesson.bsd")
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run: no display found; starting QM5 under Xvfb (a virtual screen, nothing is shown)"
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$build/bin/qm5" "${args[@]}"
fi
exec "$build/bin/qm5" "${args[@]}"
