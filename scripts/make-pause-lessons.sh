#!/usr/bin/env bash
# make-pause-lessons.sh OUTDIR COUNT [SEED]
#
# Makes a spoken lesson of COUNT English sentences with known pauses, for
# scoring the pause finder, with espeak-ng, sox and ffmpeg:
#   lesson.wav    the clean lesson, 22050 Hz mono 16-bit
#   lesson.mp3    the clean lesson as mp3 (64 kb/s)
#   noisy.mp3     the lesson with pink noise 30 dB below the speech (RMS)
#   lesson.truth  where each sentence's speech starts and ends, in samples
#
# Voices, speeds, pitches and the pauses (300 to 1500 ms) are drawn from SEED
# (default 1), so a set can be made again exactly.
#
# Speech is defined at the sample level: a sentence's speech runs from its
# first to its last sample of magnitude 1/1000 of full scale (-60 dBFS) or
# more. espeak-ng writes exact digital silence around plain voices; its
# breathy variants (+f2, ...) trail off in a hiss far below -60 dBFS, which is
# no speech a listener hears. Each sentence is cut to exactly that extent
# before the lesson is put together, and the silence between two sentences is
# exactly the pause drawn for it: the true pause runs from the sample after
# one sentence's last speech sample to the next sentence's first one. Pauses
# inside a sentence (espeak's word and clause gaps, under 200 ms at these
# speeds) belong to the speech.
#
# lesson.truth: "rate R", "samples N", then per sentence
# "sentence INDEX FIRST END VOICE SPEED" with FIRST the first speech sample and
# END one past the last. Runs once per folder and set: OUTDIR/.done holds it.
set -euo pipefail

if [ $# -lt 2 ] || [ $# -gt 3 ]; then
  echo "usage: $0 OUTDIR COUNT [SEED]" >&2
  exit 2
fi
out=$1
count=$2
seed=${3:-1}
signature="count=$count seed=$seed version=3"
[ -f "$out/.done" ] && [ "$(cat "$out/.done")" = "$signature" ] && exit 0

for tool in espeak-ng sox soxi ffmpeg od awk; do
  command -v "$tool" >/dev/null || { echo "make-pause-lessons: $tool is missing" >&2; exit 1; }
done

mkdir -p "$out"
out=$(cd "$out" && pwd)
work="$out/.work"
rm -rf "$work" "$out/.done"
mkdir -p "$work"

rate=22050
sentences=(
  "The quick brown fox jumps over the lazy dog."
  "She sells sea shells by the sea shore every summer."
  "Please write down every word you hear in this lesson."
  "My brother bought a new bicycle last Sunday afternoon."
  "The train to the city leaves at seven in the morning."
  "We watched the rain fall on the quiet garden."
  "He forgot his umbrella at the station again."
  "Reading a little every day makes a big difference."
  "The museum is closed on Mondays and public holidays."
  "Could you tell me the way to the nearest post office?"
  "Our teacher asked us to repeat the last sentence."
  "The coffee in this small cafe is surprisingly good."
  "They have lived in the same house for twenty years."
  "A cold wind was blowing from the north all night."
  "I usually take the bus when it is raining."
  "The children played football in the park until dark."
  "Fresh bread smells wonderful early in the morning."
  "Nobody knew why the old clock had stopped."
  "The meeting has been moved to Thursday at noon."
  "Listen carefully and write what you hear."
  "Yes."
  "Thank you very much."
  "The library lends books and music to everyone in town."
  "Please turn off your phone before the film starts."
  "The price of vegetables went up again this week."
  "She practises the piano for an hour every evening."
  "It took us three hours to climb to the top of the hill."
  "The shop on the corner sells newspapers and sweets."
  "Good morning."
  "We should leave early to avoid the traffic."
)
# The breathy variants (+f2, +f5, +m2) are left out: their sentences fade over
# some 150 ms into a hiss at -50 to -70 dBFS, so where their speech ends is a
# matter of the level chosen, not of the finder.
voices=(en-us en-gb en-gb-scotland en-gb-x-rp en-029 en-us-nyc en-gb-x-gbclan en-gb-x-gbcwmd
        en+m1 en+m3 en+m4 en-us+m7 en+f1 en-gb+f4 en+klatt2 en+klatt3)

RANDOM=$seed
ff() { ffmpeg -nostdin -hide_banner -v error -y "$@"; }
silence() {  # silence FILE SAMPLES
  sox -r "$rate" -c 1 -n -b 16 "$1" trim 0 "$2s"  # the rate before -n: counts are at it
}
# "FIRST END": the first speech sample and one past the last, of a mono
# 16-bit wav: |sample| >= 33 is -60 dBFS or more.
speech_extent() {
  sox "$1" -t s16 -e signed -c 1 - | od -An -v -td2 -w2 |
    awk '$1 >= 33 || $1 <= -33 { if (first == "") first = NR - 1; last = NR - 1 }
         END { if (first == "") { print "none"; exit 1 } print first, last + 1 }'
}
samples() { soxi -s "$1"; }

lead=$(( (500 + RANDOM % 501) * rate / 1000 ))
silence "$work/lead.wav" "$lead"
parts=("$work/lead.wav")
speech=()
truth=()
pos=$lead
for i in $(seq 1 "$count"); do
  text=${sentences[$(( (i - 1) % ${#sentences[@]} ))]}
  voice=${voices[$(( RANDOM % ${#voices[@]} ))]}
  speed=$(( 130 + RANDOM % 71 ))
  pitch=$(( 30 + RANDOM % 41 ))
  espeak-ng -v "$voice" -s "$speed" -p "$pitch" -w "$work/raw$i.wav" "$text"
  [ "$(soxi -r "$work/raw$i.wav")" = "$rate" ] || { echo "make-pause-lessons: $voice is not at $rate Hz" >&2; exit 1; }
  read -r first end < <(speech_extent "$work/raw$i.wav")
  sox "$work/raw$i.wav" -b 16 "$work/s$i.wav" trim "${first}s" "=${end}s"
  len=$(samples "$work/s$i.wav")
  [ "$len" -eq $((end - first)) ] || { echo "make-pause-lessons: trim of sentence $i is $len samples" >&2; exit 1; }
  rm -f "$work/raw$i.wav"
  if [ "$i" -gt 1 ]; then
    gap=$(( (300 + RANDOM % 1201) * rate / 1000 ))
    silence "$work/gap$i.wav" "$gap"
    parts+=("$work/gap$i.wav")
    pos=$((pos + gap))
  fi
  parts+=("$work/s$i.wav")
  speech+=("$work/s$i.wav")
  truth+=("sentence $i $pos $((pos + len)) $voice $speed")
  pos=$((pos + len))
done
tail=$(( 500 * rate / 1000 ))
silence "$work/tail.wav" "$tail"
parts+=("$work/tail.wav")
total=$((pos + tail))
sox "${parts[@]}" "$work/lesson.wav"
[ "$(samples "$work/lesson.wav")" -eq "$total" ] || { echo "make-pause-lessons: lesson length is off" >&2; exit 1; }

{
  echo "rate $rate"
  echo "samples $total"
  printf '%s\n' "${truth[@]}"
} >"$work/lesson.truth"

# Noise 30 dB below the speech: both RMS levels measured, the noise scaled.
rms() { sox "$@" -n stat 2>&1 | awk '/RMS +amplitude/ { print $3 }'; }
sox "${speech[@]}" "$work/speech.wav"
speech_rms=$(rms "$work/speech.wav")
sox -R -r "$rate" -c 1 -n -b 32 -e float "$work/noise.wav" synth "${total}s" pinknoise
noise_rms=$(rms "$work/noise.wav")
gain=$(awk -v s="$speech_rms" -v n="$noise_rms" 'BEGIN { printf "%.6f", s / n * 10 ^ (-30 / 20) }')
# Both a little softer, so that the sum never clips.
sox -m -v 0.9 "$work/lesson.wav" -v "$(awk -v g="$gain" 'BEGIN { print g * 0.9 }')" "$work/noise.wav" \
  -b 16 "$work/noisy.wav"

ff -i "$work/lesson.wav" -c:a libmp3lame -b:a 64k "$work/lesson.mp3"
ff -i "$work/noisy.wav" -c:a libmp3lame -b:a 64k "$work/noisy.mp3"

for f in lesson.wav lesson.mp3 noisy.mp3 lesson.truth; do
  mv -f "$work/$f" "$out/$f"
done
rm -rf "$work"
echo "$signature" >"$out/.done"
