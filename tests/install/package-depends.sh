#!/usr/bin/env bash
# package-depends.sh BUILD_DIR SONAME...
#
# Makes the Debian package from the built tree with CPack, in a temporary
# folder, and checks its Depends field as apt reads it (dpkg-deb -f): it names
# the package holding each library the program opens itself (the SONAMEs,
# found here as the dynamic loader finds them), the Japanese font, Qt's
# translations and the speech model, and the package of every library that
# only the program's own modules link, which dpkg-shlibdeps must have read in
# them.
set -uo pipefail

if [ $# -lt 2 ]; then
  echo "usage: $0 BUILD_DIR SONAME..." >&2
  exit 2
fi
build=$1
shift

for tool in cpack dpkg-deb dpkg-query readelf ldconfig; do
  command -v "$tool" >/dev/null || { echo "package-depends: $tool is missing (scripts/install-deps.sh)" >&2; exit 1; }
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

if ! (cd "$tmp" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/out") >"$tmp/cpack.log" 2>&1; then
  cat "$tmp/cpack.log" >&2
  echo "package-depends: cpack failed" >&2
  exit 1
fi
debs=("$tmp"/out/qm5_*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
  cat "$tmp/cpack.log" >&2
  echo "package-depends: cpack made no single qm5 package: ${debs[*]}" >&2
  exit 1
fi
deb=${debs[0]}
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
# The package names, without versions; alternatives count each.
names=" $(tr ',|' '\n\n' <<<"$depends" | sed 's/(.*)//; s/^ *//; s/ *$//' | tr '\n' ' ') "
named() { [[ $names == *" $1 "* ]]; }

# The Debian package of the file the dynamic loader maps for a soname.
package_of() {
  local path owner
  path=$(ldconfig -p | sed -n "s|^[[:space:]]*$1 (.*) => ||p" | head -n 1)
  [ -n "$path" ] || return 1
  owner=$(dpkg-query -S "$(readlink -f "$path")" 2>/dev/null | head -n 1) || return 1
  [ -n "$owner" ] || return 1
  sed 's/[:,].*//' <<<"$owner"
}

for soname in "$@"; do
  if ! package=$(package_of "$soname"); then
    fail "no installed package holds $soname"
  elif named "$package"; then
    pass "Depends names $package, which holds $soname"
  else
    fail "Depends lacks $package, which holds $soname"
  fi
done
for package in fonts-ipafont-gothic qt6-translations-l10n pocketsphinx-en-us; do
  named "$package" && pass "Depends names $package" || fail "Depends lacks $package"
done

# The program's own modules: the libraries they alone link (the web engine,
# FFmpeg) come from dpkg-shlibdeps reading them in the package.
dpkg-deb -x "$deb" "$tmp/root"
needed() { readelf -d "$1" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'; }
program=$(find "$tmp/root" -path '*/bin/qm5' -type f)
modules=$(find "$tmp/root" -path '*/qm5/*.so' -type f)
[ -n "$program" ] || fail "the package holds no bin/qm5"
[ "$(wc -w <<<"$modules")" -eq 4 ] || fail "the package's modules: $modules"
program_needs=" $(needed "$program" | tr '\n' ' ') "
for module in $modules; do
  only=0 before=$failures
  for soname in $(needed "$module"); do
    [[ $program_needs == *" $soname "* ]] && continue
    only=$((only + 1))
    if ! package=$(package_of "$soname"); then
      fail "no installed package holds $soname, which $(basename "$module") links"
    elif ! named "$package"; then
      fail "Depends lacks $package, which $(basename "$module") links ($soname)"
    fi
  done
  [ "$only" -gt 0 ] || fail "$(basename "$module") links nothing the program does not: nothing shows it was read"
  [ "$failures" -eq "$before" ] && pass "$(basename "$module"): the packages of the $only libraries only it links are named"
done

[ "$failures" -eq 0 ] || { echo "package-depends: $failures failure(s)" >&2; exit 1; }
echo "package-depends: all checks passed for $(basename "$deb")"
