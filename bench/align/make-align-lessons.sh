#!/usr/bin/env bash
# make-align-lessons.sh OUTDIR COUNT [SEED]
#
# Makes spoken lessons with known sentence times, and their scripts, for
# scoring the alignment, with espeak-ng, sox and ffmpeg:
#   script.txt    the script: COUNT sentences, one a line, and one line more,
#                 somewhere inside, that the recordings lack
#   running.txt   the same script as running text, wrapped at 60 columns,
#                 a blank line after every fifth sentence
#   clean.wav, clean.mp3   the sentences alone, 22050 Hz mono
#   hard.mp3, hard.ogg, hard.wma   the same sentences after a spoken track
#                 announcement the script does not hold, with pink noise 30 dB
#                 below the speech (RMS) throughout
#   clean.truth, hard.truth   where each sentence's speech is
#
# Voices, speeds, pitches and the pauses between sentences (300 to 1500 ms)
# are drawn from SEED (default 1). Speech is what make-pause-lessons.sh calls
# speech: from a sentence's first to its last sample of -60 dBFS or more, each
# sentence cut to exactly that before the lesson is put together.
#
# A truth file: "rate R", "samples N", "lead FIRST END" (the announcement's
# speech, hard.truth only), then "sentence LINE FIRST END" for each sentence
# in the order spoken (LINE: its line in script.txt; FIRST the first speech
# sample, END one past the last), and "missing LINE TEXT" for the line the
# recordings lack. Runs once per folder and set: OUTDIR/.done holds it.
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

for tool in espeak-ng sox soxi ffmpeg od awk fold; do
  command -v "$tool" >/dev/null || { echo "make-align-lessons: $tool is missing" >&2; exit 1; }
done

mkdir -p "$out"
out=$(cd "$out" && pwd)
work="$out/.work"
rm -rf "$work" "$out/.done"
mkdir -p "$work"

rate=22050
# Numbers, times, money and abbreviations as scripts have them: the
# recogniser must hear them as spoken. After a "|", what espeak-ng is given
# to say instead, where it reads the written form as no one would ("$4" as
# "dollar four", "1999" as "nineteen hundred ninety nine").
sentences=(
  "The quick brown fox jumps over the lazy dog."
  "She sells sea shells by the sea shore every summer."
  "Please write down every word you hear in this lesson."
  "My brother bought a new bicycle last Sunday afternoon."
  "The train to the city leaves at 7:45 in the morning."
  "We watched the rain fall on the quiet garden."
  "Mr. Brown forgot his umbrella at the station again."
  "Reading a little every day makes a big difference."
  "The museum is closed on Mondays and public holidays."
  "Could you tell me the way to the nearest post office?"
  "Our teacher asked us to repeat the last sentence."
  "The coffee in this small cafe costs \$4 a cup.|The coffee in this small cafe costs four dollars a cup."
  "They have lived in the same house since 1999.|They have lived in the same house since nineteen ninety-nine."
  "A cold wind was blowing from the north all night."
  "I usually take the bus when it is raining."
  "About 50% of the students passed the test."
  "Fresh bread smells wonderful early in the morning."
  "Nobody knew why the old clock had stopped."
  "The meeting has been moved to Thursday at noon."
  "Listen carefully and write what you hear."
  "Dr. Lee works at the hospital near the river."
  "Thank you very much."
  "The library lends books and music to everyone in town."
  "Please turn off your phone before the film starts."
  "The price of vegetables went up again this week."
  "She practises the piano for an hour every evening."
  "It took us 3 hours to climb to the top of the hill."
  "The shop on the corner sells newspapers and sweets."
  "Good morning."
  "We should leave early to avoid the traffic."
  "The 2nd chapter is much longer than the 1st one."
  "There are 24 students in my class this year."
  "He paid \$12.50 for a ticket to the concert.|He paid twelve dollars and fifty cents for a ticket to the concert."
  "Our flight leaves at 9:30 on Friday."
  "The bridge was built more than 200 years ago."
  "Let us meet in front of the cinema at six."
  "Many birds fly south when the weather turns cold."
  "My grandmother grows tomatoes and beans in her garden."
  "The children played football in the park until dark."
  "Do you know what time the last bus leaves?"
)
# Lines the recordings lack, one of them put into the script.
absent=(
  "The weather report promised sunshine for the whole weekend."
  "A small boat was drifting slowly toward the harbour."
  "Everyone agreed that the soup needed more salt."
)
announcements=(
  "Unit three. Listening practice, track twelve."
  "Lesson five. Dictation, part two."
  "Chapter one. Please listen to each sentence."
)
# The breathy variants (+f2, +f5, +m2) are left out, as in make-pause-lessons.sh.
voices=(en-us en-gb en-gb-scotland en-gb-x-rp en-029 en-us-nyc en-gb-x-gbclan en-gb-x-gbcwmd
        en+m1 en+m3 en+m4 en-us+m7 en+f1 en-gb+f4 en+klatt2 en+klatt3)

RANDOM=$seed
ff() { ffmpeg -nostdin -hide_banner -v error -y "$@"; }
silence() {  # silence FILE SAMPLES
  sox -r "$rate" -c 1 -n -b 16 "$1" trim 0 "$2s"
}
speech_extent() {
  sox "$1" -t s16 -e signed -c 1 - | od -An -v -td2 -w2 |
    awk '$1 >= 33 || $1 <= -33 { if (first == "") first = NR - 1; last = NR - 1 }
         END { if (first == "") { print "none"; exit 1 } print first, last + 1 }'
}
samples() { soxi -s "$1"; }
# speak TEXT OUT: one utterance in a voice, speed and pitch drawn now, cut to its speech.
speak() {
  local voice=${voices[$(( RANDOM % ${#voices[@]} ))]}
  local speed=$(( 130 + RANDOM % 71 ))
  local pitch=$(( 30 + RANDOM % 41 ))
  espeak-ng -v "$voice" -s "$speed" -p "$pitch" -w "$work/raw.wav" "$1"
  [ "$(soxi -r "$work/raw.wav")" = "$rate" ] || { echo "make-align-lessons: $voice is not at $rate Hz" >&2; exit 1; }
  local first end
  read -r first end < <(speech_extent "$work/raw.wav")
  sox "$work/raw.wav" -b 16 "$2" trim "${first}s" "=${end}s"
  rm -f "$work/raw.wav"
}

# The script, with the absent line somewhere inside.
missing_at=$(( 2 + RANDOM % (count - 2) ))  # the line before which it stands, 2 .. count-1
missing_text=${absent[$(( RANDOM % ${#absent[@]} ))]}
script=()
lines=()  # the script line of each spoken sentence
for i in $(seq 1 "$count"); do
  [ "$i" -eq "$missing_at" ] && script+=("$missing_text")
  entry=${sentences[$(( (i - 1) % ${#sentences[@]} ))]}
  script+=("${entry%%|*}")
  lines+=("${#script[@]}")
done
printf '%s\n' "${script[@]}" >"$work/script.txt"
# Running text: five sentences to a paragraph, wrapped by hand.
for k in $(seq 0 5 $(( ${#script[@]} - 1 ))); do
  printf '%s ' "${script[@]:k:5}" | fold -s -w 60 | sed 's/ *$//'
  printf '\n\n'
done >"$work/running.txt"

# The sentences, and the pauses between them.
parts=()
truth=()
lead=$(( (500 + RANDOM % 501) * rate / 1000 ))
silence "$work/lead.wav" "$lead"
parts+=("$work/lead.wav")
pos=$lead
for i in $(seq 1 "$count"); do
  entry=${sentences[$(( (i - 1) % ${#sentences[@]} ))]}
  speak "${entry#*|}" "$work/s$i.wav"
  if [ "$i" -gt 1 ]; then
    gap=$(( (300 + RANDOM % 1201) * rate / 1000 ))
    silence "$work/gap$i.wav" "$gap"
    parts+=("$work/gap$i.wav")
    pos=$((pos + gap))
  fi
  len=$(samples "$work/s$i.wav")
  parts+=("$work/s$i.wav")
  truth+=("sentence ${lines[$((i - 1))]} $pos $((pos + len))")
  pos=$((pos + len))
done
tail=$(( 500 * rate / 1000 ))
silence "$work/tail.wav" "$tail"
parts+=("$work/tail.wav")
total=$((pos + tail))
sox "${parts[@]}" "$work/clean.wav"
[ "$(samples "$work/clean.wav")" -eq "$total" ] || { echo "make-align-lessons: lesson length is off" >&2; exit 1; }
{
  echo "rate $rate"
  echo "samples $total"
  printf '%s\n' "${truth[@]}"
  echo "missing $missing_at $missing_text"
} >"$work/clean.truth"

# The hard lesson: an announcement and a pause of 1.2 s before the same sentences, and noise.
speak "${announcements[$(( RANDOM % ${#announcements[@]} ))]}" "$work/announcement.wav"
alead=$(( 600 * rate / 1000 ))
apause=$(( 1200 * rate / 1000 ))
silence "$work/alead.wav" "$alead"
silence "$work/apause.wav" "$apause"
alen=$(samples "$work/announcement.wav")
sox "$work/alead.wav" "$work/announcement.wav" "$work/apause.wav" "$work/clean.wav" "$work/announced.wav"
shift_by=$((alead + alen + apause))
htotal=$((total + shift_by))
{
  echo "rate $rate"
  echo "samples $htotal"
  echo "lead $alead $((alead + alen))"
  for t in "${truth[@]}"; do
    read -r kind line first end <<<"$t"
    echo "$kind $line $((first + shift_by)) $((end + shift_by))"
  done
  echo "missing $missing_at $missing_text"
} >"$work/hard.truth"

rms() { sox "$@" -n stat 2>&1 | awk '/RMS +amplitude/ { print $3 }'; }
sox "$work"/s[0-9]*.wav "$work/speech.wav"
speech_rms=$(rms "$work/speech.wav")
sox -R -r "$rate" -c 1 -n -b 32 -e float "$work/noise.wav" synth "${htotal}s" pinknoise
noise_rms=$(rms "$work/noise.wav")
gain=$(awk -v s="$speech_rms" -v n="$noise_rms" 'BEGIN { printf "%.6f", s / n * 10 ^ (-30 / 20) }')
sox -m -v 0.9 "$work/announced.wav" -v "$(awk -v g="$gain" 'BEGIN { print g * 0.9 }')" "$work/noise.wav" \
  -b 16 "$work/hard.wav"

ff -i "$work/clean.wav" -c:a libmp3lame -b:a 64k "$work/clean.mp3"
ff -i "$work/hard.wav" -c:a libmp3lame -b:a 64k "$work/hard.mp3"
ff -i "$work/hard.wav" -c:a libvorbis -q:a 2 "$work/hard.ogg"
ff -i "$work/hard.wav" -c:a wmav2 -b:a 64k "$work/hard.wma"

for f in script.txt running.txt clean.wav clean.mp3 clean.truth hard.mp3 hard.ogg hard.wma hard.truth; do
  mv -f "$work/$f" "$out/$f"
done
rm -rf "$work"
echo "$signature" >"$out/.done"
