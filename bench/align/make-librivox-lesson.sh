#!/usr/bin/env bash
# make-librivox-lesson.sh OUTDIR [DATADIR]
#
# Makes a lesson of real read speech from Debian's pocketsphinx-testdata: the
# five LibriVox sentences under DATADIR (default
# /usr/share/pocketsphinx/test/data/librivox), in the order `transcription`
# lists them, with 0.5 s before the first, 0.8 s between each two and 0.5 s
# after the last, with sox:
#   librivox.wav    16 kHz mono
#   librivox.txt    the script: each transcript as a sentence, one a line
#   librivox.truth  as make-align-lessons.sh writes it (no missing line); a
#                   sentence's speech runs from its first to its last sample
#                   of -30 dBFS or more (the recordings' own quiet edges hold
#                   a little noise)
set -euo pipefail

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: $0 OUTDIR [DATADIR]" >&2
  exit 2
fi
out=$1
data=${2:-/usr/share/pocketsphinx/test/data/librivox}
[ -f "$data/transcription" ] || { echo "make-librivox-lesson: no $data/transcription (pocketsphinx-testdata)" >&2; exit 1; }
[ -f "$out/.done" ] && exit 0
mkdir -p "$out"
out=$(cd "$out" && pwd)
work="$out/.work"
rm -rf "$work"
mkdir -p "$work"

rate=16000
silence() { sox -r "$rate" -c 1 -n -b 16 "$1" trim 0 "$2s"; }
extent() {
  sox "$1" -t s16 -e signed -c 1 - | od -An -v -td2 -w2 |
    awk '$1 >= 1036 || $1 <= -1036 { if (first == "") first = NR - 1; last = NR - 1 }
         END { if (first == "") { print "none"; exit 1 } print first, last + 1 }'
}

silence "$work/lead.wav" $((rate / 2))
silence "$work/gap.wav" $((rate * 8 / 10))
silence "$work/tail.wav" $((rate / 2))
parts=("$work/lead.wav")
truth=()
script=()
pos=$((rate / 2))
n=0
# "<s> and mister john dashwood ... </s> (sense_and_sensibility_01_austen_64kb-0870)"
while read -r line; do
  id=$(sed -n 's/.*(\(.*\))[[:space:]]*$/\1/p' <<<"$line")
  text=$(sed 's/<s>//; s/<\/s>.*//; s/^ *//; s/ *$//' <<<"$line")
  [ -n "$id" ] && [ -f "$data/$id.wav" ] || continue
  n=$((n + 1))
  [ "$n" -gt 1 ] && { parts+=("$work/gap.wav"); pos=$((pos + rate * 8 / 10)); }
  sox "$data/$id.wav" -r "$rate" -c 1 -b 16 "$work/s$n.wav"
  read -r first end < <(extent "$work/s$n.wav")
  len=$(soxi -s "$work/s$n.wav")
  parts+=("$work/s$n.wav")
  truth+=("sentence $n $((pos + first)) $((pos + end))")
  pos=$((pos + len))
  # A sentence as a script writes it: a capital and a full stop.
  script+=("$(tr '[:lower:]' '[:upper:]' <<<"${text:0:1}")${text:1}.")
done <"$data/transcription"
[ "$n" -ge 2 ] || { echo "make-librivox-lesson: fewer than two sentences in $data" >&2; exit 1; }
parts+=("$work/tail.wav")
sox "${parts[@]}" "$work/librivox.wav"
{
  echo "rate $rate"
  echo "samples $(soxi -s "$work/librivox.wav")"
  printf '%s\n' "${truth[@]}"
} >"$work/librivox.truth"
printf '%s\n' "${script[@]}" >"$work/librivox.txt"
for f in librivox.wav librivox.txt librivox.truth; do mv -f "$work/$f" "$out/$f"; done
rm -rf "$work"
touch "$out/.done"
