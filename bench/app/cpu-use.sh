#!/usr/bin/env bash
# CPU use of QM5 while a lesson plays, beside Debian's mpv player (--no-video)
# and bare libmpv playing the same file with no window. All three are measured
# over the same stretch of playback, after a warm-up that leaves start-up out,
# with null audio output. Installs the mpv player when it is missing (as root).
# Usage: cpu-use.sh BUILD_DIR [MEDIA] [SECONDS]
set -euo pipefail
build=${1:?build folder}
root=$(cd "$(dirname "$0")/../.." && pwd)
media=${2:-$root/samples/lesson.mp3}
secs=${3:-15}
warmup=3
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} QM5_AO=null
tick=$(getconf CLK_TCK)

if ! command -v mpv >/dev/null 2>&1; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "the mpv player is missing: run as root, or apt-get install mpv" >&2
    exit 1
  fi
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends mpv >/dev/null
fi

# utime + stime of a process (fields 14 and 15 of /proc/PID/stat), in clock ticks
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

# CPU seconds of the process PID between the end of the warm-up and the end
# of the span; the process is ended then.
measure_cpu() {
  local pid=$1
  sleep "$warmup"
  local t0; t0=$(cpu_ticks "$pid")
  sleep "$secs"
  local t1; t1=$(cpu_ticks "$pid")
  kill "$pid"; wait "$pid" 2>/dev/null || true
  awk -v t="$((t1 - t0))" -v k="$tick" 'BEGIN {printf "%.3f\n", t / k}'
}

program_cpu() {
  local dir; dir=$(mktemp -d)
  # Its settings file goes beside it, not into the build; its modules go along.
  cp "$build/bin/qm5" "$build/bin/"qm5_*.so "$dir/"
  "$dir/qm5" "$media" >/dev/null 2>&1 &
  measure_cpu $!
  rm -rf "$dir"
}

# The mpv player on the same file, as a learner would play it without QM5.
player_cpu() {
  mpv --no-config --no-video --ao=null --really-quiet --loop-file=inf --no-terminal "$media" &
  measure_cpu $!
}

runs=${RUNS:-3}
prog=(); player=(); bare=()
for _ in $(seq "$runs"); do
  prog+=("$(program_cpu)")
  player+=("$(player_cpu)")
  bare+=("$("$build/bin/bench_bare_mpv" "$media" "$warmup" "$secs")")
done
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
p=$(median "${prog[@]}"); m=$(median "${player[@]}"); b=$(median "${bare[@]}")
echo "CPU seconds over ${secs} s of playback (after ${warmup} s), median of $runs runs"
echo "  QM5 (window, bars, block timer):  $p   (runs: ${prog[*]})"
echo "  mpv player, --no-video:           $m   (runs: ${player[*]})"
echo "  libmpv alone, no window:          $b   (runs: ${bare[*]})"
awk -v p="$p" -v m="$m" 'BEGIN {if (m > 0) printf "  QM5 / mpv player: %.2f (aim: at most 1.00)\n", p / m}'
awk -v p="$p" -v b="$b" 'BEGIN {if (b > 0) printf "  QM5 / libmpv:     %.2f\n", p / b}'
