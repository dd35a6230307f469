#!/usr/bin/env bash
# translations-complete.sh LUPDATE SOURCE_DIR
#
# Runs lupdate over the program's sources into a copy of the English
# translation and fails, naming them, when a text a window shows has no
# English (a new or changed text) or when the file keeps texts the sources no
# longer have.
set -uo pipefail
lupdate=$1
src=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cd "$src" || exit 1
status=0
# With the source root as include folder, and without it (as when lupdate is
# given the folders alone): the contexts must come out the same either way.
for includes in "-I ." ""; do
  cp "$src/translations/qm5_en.ts" "$tmp/qm5_en.ts"
  # shellcheck disable=SC2046,SC2086  # one word per folder
  if ! "$lupdate" $includes -locations none $(scripts/lupdate-sources.sh) -ts "$tmp/qm5_en.ts" >"$tmp/log" 2>&1; then
    cat "$tmp/log" >&2
    exit 1
  fi
  if grep -q 'type="unfinished"' "$tmp/qm5_en.ts"; then
    echo "FAIL: texts without an English translation (run lupdate as in this script, then translate):" >&2
    grep -B3 'type="unfinished"' "$tmp/qm5_en.ts" | grep '<source>' >&2
    status=1
  fi
  if grep -q 'type="vanished"\|type="obsolete"' "$tmp/qm5_en.ts"; then
    echo "FAIL: translations of texts the sources no longer have:" >&2
    grep -B3 'type="vanished"\|type="obsolete"' "$tmp/qm5_en.ts" | grep '<source>' >&2
    status=1
  fi
  if [ -n "$includes" ] && grep -q 'warning\|Class .* lacks' "$tmp/log"; then
    echo "FAIL: lupdate could not read a text's context:" >&2
    cat "$tmp/log" >&2
    status=1
  fi
done
[ $status -eq 0 ] && echo "ok: every text has its English translation"
exit $status
