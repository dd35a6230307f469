#!/usr/bin/env bash
# Builds the block file fuzz target with clang (libFuzzer, address and
# undefined-behaviour sanitizers) and runs it for the given time.
# Usage: run-fuzz.sh SRC_DIR BUILD_DIR SECONDS
# Exits non-zero on any finding; the crashing input is kept in BUILD_DIR/artifacts.
set -euo pipefail

if [ $# -ne 3 ]; then
  echo "usage: $0 SRC_DIR BUILD_DIR SECONDS" >&2
  exit 2
fi
src=$(cd "$1" && pwd)
mkdir -p "$2"
build=$(cd "$2" && pwd)
secs=$3

cxx=${QM5_FUZZ_CXX:-clang++}
if ! command -v "$cxx" >/dev/null 2>&1; then
  echo "run-fuzz: $cxx not found (scripts/install-deps.sh installs clang and libclang-rt-14-dev)" >&2
  exit 1
fi

sources=("$src/blockfile/BlockFile.cpp" "$src/blockfile/TextCodec.cpp" "$src/tests/fuzz/BlockFileFuzz.cpp")
headers=("$src/blockfile/BlockFile.h" "$src/blockfile/TextCodec.h")
fuzzer=$build/blockfile_fuzz

# Rebuild only when a source or header is newer than the binary.
rebuild=0
[ -x "$fuzzer" ] || rebuild=1
for f in "${sources[@]}" "${headers[@]}" "$0"; do
  [ "$f" -nt "$fuzzer" ] && rebuild=1
done
if [ $rebuild -eq 1 ]; then
  echo "run-fuzz: building $fuzzer"
  "$cxx" -std=c++20 -g -O1 -Wall -Wextra \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I"$src/blockfile" "${sources[@]}" -o "$fuzzer.tmp"
  mv "$fuzzer.tmp" "$fuzzer"
fi

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

# libFuzzer adds what it finds to its first corpus directory: work on a copy.
corpus=$(mktemp -d "$build/corpus.XXXXXX")
trap 'rm -rf "$corpus"' EXIT
cp "$seeds"/* "$corpus"/
mkdir -p "$build/artifacts"

export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
"$fuzzer" -max_total_time="$secs" -timeout=25 -max_len=16384 -print_final_stats=1 \
  -artifact_prefix="$build/artifacts/" "$corpus"
