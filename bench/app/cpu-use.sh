#!/usr/bin/env bash
# CPU use of QM5 while a lesson plays, beside libmpv playing the same file with
# no window. Both are measured over the same stretch of playback, after a
# warm-up that leaves start-up out. Usage: cpu-use.sh BUILD_DIR [MEDIA] [SECONDS]
set -euo pipefail
build=${1:?build folder}
root=$(cd "$(dirname "$0")/../.." && pwd)
media=${2:-$root/samples/lesson.mp3}
secs=${3:-15}
warmup=3
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} QM5_AO=null
tick=$(getconf CLK_TCK)

# utime + stime of a process (fields 14 and 15 of /proc/PID/stat), in clock ticks
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

program_cpu() {
  local dir; dir=$(mktemp -d)
  cp "$build/bin/qm5" "$dir/"  # its settings file goes beside it, not into the build
  "$dir/qm5" "$media" >/dev/null 2>&1 &
  local pid=$!
  sleep "$warmup"
  local t0; t0=$(cpu_ticks "$pid")
  sleep "$secs"
  local t1; t1=$(cpu_ticks "$pid")
  kill "$pid"; wait "$pid" 2>/dev/null || true
  rm -rf "$dir"
  awk -v t="$((t1 - t0))" -v k="$tick" 'BEGIN {printf "%.3f\n", t / k}'
}

runs=3
prog=(); bare=()
for _ in $(seq $runs); do
  prog+=("$(program_cpu)")
  bare+=("$("$build/bin/bench_bare_mpv" "$media" "$warmup" "$secs")")
done
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
p=$(median "${prog[@]}"); b=$(median "${bare[@]}")
echo "CPU seconds over ${secs} s of playback (after ${warmup} s), median of $runs runs"
echo "  QM5 (window, bars, 50 ms block timer): $p   (runs: ${prog[*]})"
echo "  libmpv alone, no window:              $b   (runs: ${bare[*]})"
awk -v p="$p" -v b="$b" 'BEGIN {if (b > 0) printf "  ratio: %.2f (aim: below 1.3)\n", p / b}'
