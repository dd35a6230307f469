#!/bin/sh
# The folders whose sources hold texts a window shows; lupdate reads them with
# includes from the source root, so classes keep their namespaces as contexts.
cd "$(dirname "$0")/.." || exit 1
for d in */; do
  case "$d" in build*|tests/|bench/|translations/|docs/|scripts/|desktop/|samples/) ;; *) [ -n "$(find "$d" -name '*.cpp' -print -quit)" ] && printf '%s\n' "${d%/}" ;; esac
done
