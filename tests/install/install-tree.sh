#!/usr/bin/env bash
# install-tree.sh BUILD_DIR APP_ID BINDIR MODULEDIR DATADIR MANDIR
#
# Installs the build into a temporary prefix (cmake --install --prefix) and
# checks the tree as a desktop and a package would see it: exactly the files
# expected; the menu entry passes desktop-file-validate; the file type's XML
# is well formed and update-mime-database takes it without a word, after which
# GIO knows a block file by its first line as well as by its name; the
# metainfo passes appstreamcli; the manual page renders without warnings and
# names every option --help names; every icon bitmap has its folder's size;
# and the installed program, started from the prefix without a window, finds
# its module there.
# The directory arguments are relative to the prefix, as GNUInstallDirs gives them.
set -uo pipefail

if [ $# -ne 6 ]; then
  echo "usage: $0 BUILD_DIR APP_ID BINDIR MODULEDIR DATADIR MANDIR" >&2
  exit 2
fi
build=$1 id=$2 bindir=$3 moduledir=$4 datadir=$5 mandir=$6

for tool in cmake desktop-file-validate xmllint update-mime-database gio appstreamcli man file; do
  command -v "$tool" >/dev/null || { echo "install-tree: $tool is missing (scripts/install-deps.sh)" >&2; exit 1; }
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
prefix=$(cd "$tmp" && pwd -P)/prefix
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

if ! cmake --install "$build" --prefix "$prefix" >"$tmp/install.log" 2>&1; then
  cat "$tmp/install.log" >&2
  echo "install-tree: cmake --install failed" >&2
  exit 1
fi

share=$prefix/$datadir
desktop=$share/applications/$id.desktop
mimexml=$share/mime/packages/$id.xml
metainfo=$share/metainfo/$id.metainfo.xml
manpage=$prefix/$mandir/man1/qm5.1.gz
module=$prefix/$moduledir/qm5_webengine.so
sizes=(16 22 24 32 48 64 128 256)

# Exactly these files, nothing left out and nothing more.
{
  echo "$bindir/qm5"
  echo "$moduledir/qm5_webengine.so"
  echo "$moduledir/qm5_loudness.so"
  echo "$moduledir/qm5_align.so"
  echo "$moduledir/qm5_anki.so"
  echo "$datadir/applications/$id.desktop"
  echo "$datadir/metainfo/$id.metainfo.xml"
  echo "$datadir/mime/packages/$id.xml"
  echo "$datadir/icons/hicolor/scalable/apps/$id.svg"
  for s in "${sizes[@]}"; do echo "$datadir/icons/hicolor/${s}x$s/apps/$id.png"; done
  echo "$mandir/man1/qm5.1.gz"
} | sort >"$tmp/expected"
(cd "$prefix" && find . -type f -o -type l | sed 's|^\./||' | sort) >"$tmp/found"
if diff -u "$tmp/expected" "$tmp/found" >"$tmp/files.diff"; then
  pass "installed files"
else
  fail "installed files differ from the expected ones:"; cat "$tmp/files.diff" >&2
fi
[ -x "$prefix/$bindir/qm5" ] || fail "$bindir/qm5 is not executable"

# The menu entry: valid, without so much as a hint, naming what is installed.
if out=$(desktop-file-validate "$desktop" 2>&1) && [ -z "$out" ]; then
  pass "desktop-file-validate"
else
  fail "desktop-file-validate: $out"
fi
entry() { sed -n "s/^$1=//p" "$desktop"; }
[ "$(entry Exec)" = "qm5 %f" ] || fail "Exec is '$(entry Exec)'"
[ "$(entry Icon)" = "$id" ] || fail "Icon is '$(entry Icon)', not the installed $id"
[ "$(entry Name)" = "QM5" ] && [ -n "$(entry 'Name\[ja\]')" ] || fail "Name or Name[ja] missing"
mimes=";$(entry MimeType)"
for t in application/x-qm5-block-data audio/mpeg audio/x-ms-wma application/vnd.rn-realmedia \
         application/ram audio/ogg audio/x-wav audio/flac audio/mp4 audio/x-opus+ogg; do
  case "$mimes" in *";$t;"*) ;; *) fail "MimeType lacks $t" ;; esac
done

# The file type: well formed, taken by update-mime-database without a warning,
# and known by content and by name.
if out=$(xmllint --noout "$mimexml" 2>&1); then pass "xmllint"; else fail "xmllint: $out"; fi
export XDG_DATA_DIRS=$share:/usr/share XDG_DATA_HOME=$tmp/nohome
if out=$(update-mime-database "$share/mime" 2>&1) && [ -z "$out" ] && [ -f "$share/mime/mime.cache" ]; then
  pass "update-mime-database"
else
  fail "update-mime-database: $out"
fi
before=$failures
typeof() { gio info -a standard::content-type "$1" 2>&1 | sed -n 's/^ *standard::content-type: //p'; }
printf 'QM4 Block Separate Data\r\nlesson.mp3\r\n2340\r\n' >"$tmp/lesson.dat"
printf 'not a block file\n' >"$tmp/named.bsd"
printf 'QM4 Block Separate\r\n' >"$tmp/short.dat"
[ "$(typeof "$tmp/lesson.dat")" = application/x-qm5-block-data ] || fail "by content: $(typeof "$tmp/lesson.dat")"
[ "$(typeof "$tmp/named.bsd")" = application/x-qm5-block-data ] || fail "by name: $(typeof "$tmp/named.bsd")"
[ "$(typeof "$tmp/short.dat")" != application/x-qm5-block-data ] || fail "a partial first line is taken for a block file"
[ "$failures" -eq "$before" ] && pass "gio info: block file by content and by name"

# The metainfo, alone and with the tree it describes (entry, icon).
if out=$(appstreamcli validate --no-net "$metainfo" 2>&1); then pass "appstreamcli validate"; else fail "appstreamcli validate: $out"; fi
# validate-tree passes a tree without metadata, so it must also have seen ours.
if out=$(appstreamcli validate-tree --no-net "$prefix" 2>&1) && grep -q "^$id.metainfo.xml" <<<"$out"; then
  pass "appstreamcli validate-tree"
else
  fail "appstreamcli validate-tree: $out"
fi

# The manual page: no warnings from groff, and every option of --help in it.
if out=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$manpage" 2>&1 >/dev/null) \
    && [ -z "$out" ]; then
  pass "man page renders"
else
  fail "man page: $out"
fi
gzip -dc "$manpage" | groff -man -Tutf8 -rLL=200n -rHY=0 -P -cbou 2>/dev/null >"$tmp/man.txt"
help=$(QT_QPA_PLATFORM=offscreen "$prefix/$bindir/qm5" --help)
for opt in $(grep -oE '(^|[ ,])--?[a-z][a-z-]*' <<<"$help" | tr -d ' ,'); do
  grep -qe "$opt" "$tmp/man.txt" || fail "the man page does not name $opt"
done
grep -q "QM4.ini" "$tmp/man.txt" || fail "the man page does not say where the settings are"

# Every bitmap has the size its folder says.
before=$failures
for s in "${sizes[@]}"; do
  png=$share/icons/hicolor/${s}x$s/apps/$id.png
  case "$(file -b "$png")" in
    "PNG image data, $s x $s,"*) ;;
    *) fail "$png: $(file -b "$png")" ;;
  esac
done
[ "$failures" -eq "$before" ] && pass "icon sizes"

# The installed program, from the prefix, without a window.
out=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen "$prefix/$bindir/qm5" --version 2>&1)
if [ "$(sed -n 2p <<<"$out")" = "web engine module: $module" ]; then
  pass "installed program finds $module"
else
  fail "installed program's --version: $out"
fi

[ "$failures" -eq 0 ] || { echo "install-tree: $failures failure(s)" >&2; exit 1; }
echo "install-tree: all checks passed in $prefix"
