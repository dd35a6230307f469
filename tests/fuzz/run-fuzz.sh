#!/usr/bin/env bash
# Builds one fuzz target with clang (libFuzzer, address and undefined-behaviour
# sanitizers) and runs it for the given time.
# Usage: run-fuzz.sh SRC_DIR BUILD_DIR SECONDS [TARGET]
# TARGET is blockfile (the default), one of the transcript readers srt, vtt,
# lrc, audacity, plain, dictation (the answers file and the answer check),
# settings (QM4.ini) or metafile (the .ram metafile reader).
# Exits non-zero on any finding; the crashing input is kept in
# BUILD_DIR/artifacts (named after the target, except for blockfile).
set -euo pipefail

if [ $# -lt 3 ] || [ $# -gt 4 ]; then
  echo "usage: $0 SRC_DIR BUILD_DIR SECONDS [blockfile|srt|vtt|lrc|audacity|plain|dictation|settings|metafile]" >&2
  exit 2
fi
src=$(cd "$1" && pwd)
mkdir -p "$2"
build=$(cd "$2" && pwd)
secs=$3
target=${4:-blockfile}

cxx=${QM5_FUZZ_CXX:-clang++}
if ! command -v "$cxx" >/dev/null 2>&1; then
  echo "run-fuzz: $cxx not found (scripts/install-deps.sh installs clang and libclang-rt-14-dev)" >&2
  exit 1
fi

# What each target is made of: library sources (shared by every target as
# objects), the fuzzer's own source with its defines, and the include folders.
defines=()
case $target in
  blockfile)
    library=(blockfile/BlockFile.cpp text/TextCodec.cpp)
    main=tests/fuzz/BlockFileFuzz.cpp
    dirs=(blockfile text)
    ;;
  srt|vtt|lrc|audacity|plain)
    library=(text/TextCodec.cpp)
    for f in "$src"/transcript/*.cpp; do library+=("transcript/$(basename "$f")"); done
    main=tests/fuzz/TranscriptReaderFuzz.cpp
    dirs=(blockfile text transcript)
    case $target in
      srt) defines=(-DQM_FUZZ_READER=1) ;;
      vtt) defines=(-DQM_FUZZ_READER=2) ;;
      lrc) defines=(-DQM_FUZZ_READER=3) ;;
      audacity) defines=(-DQM_FUZZ_READER=4) ;;
      plain) defines=(-DQM_FUZZ_READER=5) ;;
    esac
    ;;
  dictation)
    library=(text/TextCodec.cpp dictation/AnswerCheck.cpp dictation/CharacterFolding.cpp
             dictation/DictationLog.cpp)
    main=tests/fuzz/DictationFuzz.cpp
    dirs=(blockfile text dictation)
    ;;
  settings)
    library=(text/TextCodec.cpp settings/SettingsFile.cpp)
    main=tests/fuzz/SettingsFuzz.cpp
    dirs=(text settings)
    ;;
  metafile)
    library=(text/TextCodec.cpp media/MetafileText.cpp)
    main=tests/fuzz/MetafileFuzz.cpp
    dirs=(text media)
    ;;
  *)
    echo "run-fuzz: unknown target $target" >&2
    exit 2
    ;;
esac

flags=(-std=c++20 -g -O1 -Wall -Wextra -fno-sanitize-recover=undefined)
# Headers are named from the source root.
includes=(-I"$src")
headers=("$0")
for d in "${dirs[@]}"; do
  for h in "$src/$d"/*.h "$src/$d"/*.inc; do [ -e "$h" ] && headers+=("$h"); done
done

newer_than() {  # newer_than OUT FILE...: true when OUT is missing or older than any FILE
  local out=$1
  shift
  [ -e "$out" ] || return 0
  for f in "$@"; do [ "$f" -nt "$out" ] && return 0; done
  return 1
}

# Several targets may run at once (ctest -j): one builds at a time, and
# objects are shared, so each library source is compiled once for all.
objdir=$build/obj
mkdir -p "$objdir"
fuzzer=$build/${target}_fuzz
exec 9>"$build/.build-lock"
flock 9
objects=()
for s in "${library[@]}"; do
  obj=$objdir/${s//\//_}.o
  objects+=("$obj")
  if newer_than "$obj" "$src/$s" "${headers[@]}"; then
    echo "run-fuzz: compiling $s"
    "$cxx" "${flags[@]}" -fsanitize=fuzzer-no-link,address,undefined "${includes[@]}" \
      -c "$src/$s" -o "$obj.tmp"
    mv "$obj.tmp" "$obj"
  fi
done
if newer_than "$fuzzer" "$src/$main" "${objects[@]}" "${headers[@]}"; then
  echo "run-fuzz: building $fuzzer"
  "$cxx" "${flags[@]}" -fsanitize=fuzzer,address,undefined "${includes[@]}" "${defines[@]}" \
    "$src/$main" "${objects[@]}" -o "$fuzzer.tmp"
  mv "$fuzzer.tmp" "$fuzzer"
fi
flock -u 9

# libFuzzer adds what it finds to its first corpus directory: work on a copy.
corpus=$(mktemp -d "$build/corpus-$target.XXXXXX")
trap 'rm -rf "$corpus"' EXIT
if [ "$target" = blockfile ]; then
  # Seeds: well-formed files in CP932 and UTF-8 with each line break kind, and
  # a few broken ones, so the fuzzer starts past the header check.
  seeds=$build/seeds
  rm -rf "$seeds"
  mkdir -p "$seeds"
  printf 'QM4 Block Separate Data\r\n/home/u/lesson.mp3\r\n9000\r\n2\r\n0\r\n5000\r\n9000\r\n*first\r\nsecond * note\r\n' >"$seeds/crlf"
  printf 'QM4 Block Separate Data\nC:\\\x95\x5c\\\x83\x5c\x8f\x5c.wma\n9000\n1\n0\n9000\n*\x93\xfa\x96\x7b\x8c\xea\n' >"$seeds/cp932-lf"
  printf 'QM4 Block Separate Data\rx.mp3\r100\r3\r0\r10\r10\r100\r*a\r\rb\r' >"$seeds/cr"
  printf 'QM4 Block Separate Data\n\rhttp://h/a*b.mp3\n\r10\n\r1\n\r0\n\r10\n\r*\n\r' >"$seeds/lfcr-star-in-path"
  printf '\xef\xbb\xbfQM4 Block Separate Data\r\nx.mp3\r\n10\r\n1\r\n0\r\n10\r\n*\xe3\x83\x8e\xe3\x83\xbc\xe3\x83\x88 \xf0\x9f\x98\x80\r\n' >"$seeds/utf8-bom"
  printf 'QM4 Block Separate Data\r\nx.mp3\r\n10\r\n1\r\n0\r\n10\r\nno star here\r\n' >"$seeds/no-star"
  printf 'QM4 Block Separate Data\r\nx.mp3\r\n10\r\n1001\r\n0\r\n' >"$seeds/bad-count"
  printf 'QM4 Block Separate Data\r\nx.mp3\r\n10\r\n2\r\n0\r\n' >"$seeds/cut-off"
  printf 'QM4 Block Separate Data\r\nx.mp3\r\n1.5\r\n-2147483648\r\n' >"$seeds/not-integer"
else
  # Seeds kept in the repository, one folder per target.
  seeds=$src/tests/fuzz/corpus/$target
fi
cp "$seeds"/* "$corpus"/
mkdir -p "$build/artifacts"

export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
prefix=$build/artifacts/
[ "$target" = blockfile ] || prefix+="$target-"
"$fuzzer" -max_total_time="$secs" -timeout=25 -max_len=16384 -print_final_stats=1 \
  -artifact_prefix="$prefix" "$corpus"
