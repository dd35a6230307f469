#!/usr/bin/env bash
# make-test-media.sh OUTDIR RMFIX_TOOL
#
# Makes the media the playback tests play, with espeak-ng, sox and ffmpeg:
#   lesson.wav    three spoken sentences, 0.5 s lead-in, exactly 1.0 s of
#                 silence between them, 0.5 s at the end
#   lesson.times  where each sentence and each silence starts and ends (ms):
#                 lines "sentence N START END" and "silence N START END"
#   lesson.mp3, lesson.wma   the lesson for the media player control
#   lesson.ogg, lesson.m4a, lesson.flac   the lesson in types neither list names
#   talk.rm       the lesson as RealMedia (ra_144), time stamps patched by rmfix
#   talk.ram      a metafile naming talk.rm by its full path, after a comment
#                 and a blank line; talk_rel.ram names it relative to itself
#   tone.mp3      30 s of a 440 Hz tone, for measuring the playback rate
#   notmedia.mp3  a text file with a media name; empty.mp3  0 bytes
# Runs once per folder: OUTDIR/.done marks a complete set (of this script's
# version: a changed script makes the set anew).
set -euo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 OUTDIR RMFIX_TOOL" >&2
  exit 2
fi
out=$1
rmfix=$2
stamp=$(cksum <"$0" | cut -d' ' -f1)
[ -f "$out/.done" ] && [ "$(cat "$out/.done")" = "$stamp" ] && exit 0

for tool in espeak-ng sox soxi ffmpeg; do
  command -v "$tool" >/dev/null || { echo "make-test-media: $tool is missing" >&2; exit 1; }
done
[ -x "$rmfix" ] || { echo "make-test-media: $rmfix is not executable" >&2; exit 1; }

mkdir -p "$out"
out=$(cd "$out" && pwd)
work="$out/.work"
rm -rf "$work"
mkdir -p "$work"

rate=22050
sentences=(
  "The quick brown fox jumps over the lazy dog."
  "She sells sea shells by the sea shore every summer."
  "Please write down every word you hear in this lesson."
)

ff() { ffmpeg -nostdin -hide_banner -v error -y "$@"; }
silence() {  # silence FILE SECONDS
  sox -n -r "$rate" -c 1 -b 16 "$1" trim 0 "$2"
}
samples() { soxi -s "$1"; }
ms() { echo $(( $1 * 1000 / rate )); }

# Each sentence with espeak's own leading and trailing silence cut off, so the
# silences between them are exactly the ones put there below.
parts=()
silence "$work/lead.wav" 0.5
silence "$work/gap.wav" 1.0
silence "$work/tail.wav" 0.5
parts+=("$work/lead.wav")
i=0
for text in "${sentences[@]}"; do
  i=$((i + 1))
  espeak-ng -v en-us -s 160 -w "$work/raw$i.wav" "$text"
  sox "$work/raw$i.wav" -r "$rate" -c 1 -b 16 "$work/s$i.wav" \
    silence 1 0.01 0.1% reverse silence 1 0.01 0.1% reverse
  [ "$i" -gt 1 ] && parts+=("$work/gap.wav")
  parts+=("$work/s$i.wav")
done
parts+=("$work/tail.wav")
sox "${parts[@]}" "$work/lesson.wav"

# The times, from the sample counts of the pieces.
{
  echo "# kind index start_ms end_ms"
  pos=$(samples "$work/lead.wav")
  gap=$(samples "$work/gap.wav")
  for n in $(seq 1 "${#sentences[@]}"); do
    len=$(samples "$work/s$n.wav")
    echo "sentence $n $(ms "$pos") $(ms $((pos + len)))"
    pos=$((pos + len))
    if [ "$n" -lt "${#sentences[@]}" ]; then
      echo "silence $n $(ms "$pos") $(ms $((pos + gap)))"
      pos=$((pos + gap))
    fi
  done
} >"$work/lesson.times"

ff -i "$work/lesson.wav" -c:a libmp3lame -b:a 64k "$work/lesson.mp3"
ff -i "$work/lesson.wav" -c:a wmav2 -b:a 64k "$work/lesson.wma"
ff -i "$work/lesson.wav" -c:a libvorbis -q:a 2 "$work/lesson.ogg"
ff -i "$work/lesson.wav" -c:a aac -b:a 64k "$work/lesson.m4a"
ff -i "$work/lesson.wav" -c:a flac "$work/lesson.flac"
ff -i "$work/lesson.wav" -ar 8000 -ac 1 -c:a real_144 "$work/talk.rm"
"$rmfix" "$work/talk.rm" >/dev/null
ff -f lavfi -i "sine=frequency=440:sample_rate=$rate:duration=30" -c:a libmp3lame -b:a 32k \
  "$work/tone.mp3"

printf '# QM5 test metafile\n\n%s\n' "$out/talk.rm" >"$work/talk.ram"
printf '# relative entry\n\ntalk.rm\n' >"$work/talk_rel.ram"
printf 'This is a text file, not an mp3.\n' >"$work/notmedia.mp3"
: >"$work/empty.mp3"

for f in lesson.wav lesson.times lesson.mp3 lesson.wma lesson.ogg lesson.m4a lesson.flac talk.rm talk.ram talk_rel.ram tone.mp3 \
         notmedia.mp3 empty.mp3; do
  mv -f "$work/$f" "$out/$f"
done
rm -rf "$work"
echo "$stamp" >"$out/.done"
