#!/usr/bin/env bash
# make-japanese-lesson.sh OUTDIR [SEED]
#
# Makes a Japanese lesson for the length-based alignment (the recogniser's
# model is English only), with espeak-ng, sox and ffmpeg: sixteen sentences
# in kana, read at speeds drawn from SEED (default 1), 300 to 1500 ms of
# silence between them:
#   japanese.mp3     the lesson
#   japanese.txt     its script, running text: the sentences one after the
#                    other, 。 and ？ ending them, four to a line
#   japanese.truth   as make-align-lessons.sh writes it (no missing line)
set -euo pipefail

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: $0 OUTDIR [SEED]" >&2
  exit 2
fi
out=$1
seed=${2:-1}
signature="seed=$seed version=1"
[ -f "$out/.done" ] && [ "$(cat "$out/.done")" = "$signature" ] && exit 0
mkdir -p "$out"
out=$(cd "$out" && pwd)
work="$out/.work"
rm -rf "$work" "$out/.done"
mkdir -p "$work"

rate=22050
sentences=(
  "きょうは いい てんき です。"
  "わたしは まいあさ コーヒーを のみます。"
  "えきまで あるいて じゅっぷん ぐらい かかります。"
  "この ほんは とても おもしろかった です。"
  "あしたの かいぎは なんじから ですか？"
  "ともだちと いっしょに えいがを みに いきました。"
  "ここで しゃしんを とっても いい ですか？"
  "ふゆやすみに おきなわへ りょこうする つもり です。"
  "すみません。"
  "へやの でんきを けして ください。"
  "あの みせの ラーメンは とても おいしい です。"
  "せんしゅうの にちようびに こうえんで テニスを しました。"
  "にほんごの べんきょうは たのしい です。"
  "しゅくだいを わすれないで ください。"
  "バスは なんぷんごとに きますか？"
  "おやすみなさい。"
)
RANDOM=$seed
silence() { sox -r "$rate" -c 1 -n -b 16 "$1" trim 0 "$2s"; }
speech_extent() {
  sox "$1" -t s16 -e signed -c 1 - | od -An -v -td2 -w2 |
    awk '$1 >= 33 || $1 <= -33 { if (first == "") first = NR - 1; last = NR - 1 }
         END { if (first == "") { print "none"; exit 1 } print first, last + 1 }'
}
lead=$(( 600 * rate / 1000 ))
silence "$work/lead.wav" "$lead"
parts=("$work/lead.wav")
truth=()
pos=$lead
i=0
for text in "${sentences[@]}"; do
  i=$((i + 1))
  espeak-ng -v ja -s $(( 130 + RANDOM % 51 )) -w "$work/raw.wav" "$text"
  sox "$work/raw.wav" -r "$rate" -c 1 -b 16 "$work/conv.wav"
  read -r first end < <(speech_extent "$work/conv.wav")
  sox "$work/conv.wav" "$work/s$i.wav" trim "${first}s" "=${end}s"
  if [ "$i" -gt 1 ]; then
    gap=$(( (300 + RANDOM % 1201) * rate / 1000 ))
    silence "$work/gap$i.wav" "$gap"
    parts+=("$work/gap$i.wav")
    pos=$((pos + gap))
  fi
  len=$(soxi -s "$work/s$i.wav")
  parts+=("$work/s$i.wav")
  truth+=("sentence $(( (i - 1) / 4 + 1 )) $pos $((pos + len))")
  pos=$((pos + len))
done
silence "$work/tail.wav" $(( rate / 2 ))
parts+=("$work/tail.wav")
sox "${parts[@]}" "$work/japanese.wav"
ffmpeg -nostdin -hide_banner -v error -y -i "$work/japanese.wav" -c:a libmp3lame -b:a 64k "$work/japanese.mp3"
{
  echo "rate $rate"
  echo "samples $(soxi -s "$work/japanese.wav")"
  printf '%s\n' "${truth[@]}"
} >"$work/japanese.truth"
# Four sentences to a line, the blanks inside them gone, as Japanese is written.
for k in $(seq 0 4 $(( ${#sentences[@]} - 1 ))); do
  printf '%s' "${sentences[@]:k:4}" | tr -d ' '
  echo
done >"$work/japanese.txt"
for f in japanese.mp3 japanese.txt japanese.truth; do mv -f "$work/$f" "$out/$f"; done
rm -rf "$work"
echo "$signature" >"$out/.done"
