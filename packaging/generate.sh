#!/bin/sh
# Fills a manual page or completion template from the program's own --help text,
# the chip type names and the simulator's fault names (see help-fill.awk).
#
#   generate.sh PROGRAM LIST_FACTS TEMPLATE VERSION OUT
#
# OUT ending in .gz is compressed. PKORVEL_HELP_STRICT=1 makes any difference
# between template and help text an error (the tests set it); otherwise the build
# only reports it.
set -eu
program=$1 list_facts=$2 template=$3 version=$4 out=$5
here=$(dirname "$0")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# No display is needed for --help; a sanitizer build's leak report at exit is not
# the help text's business.
QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$tmp" ASAN_OPTIONS=detect_leaks=0 LC_ALL=C.UTF-8 "$program" --help >"$tmp/help"
ASAN_OPTIONS=detect_leaks=0 "$list_facts" >"$tmp/types"
# A fault without a name is left out here; the install test names it.
ASAN_OPTIONS=detect_leaks=0 "$list_facts" faults >"$tmp/faults" || true
awk -v strict="${PKORVEL_HELP_STRICT:-0}" -v version="$version" -f "$here/help-fill.awk" \
  "$tmp/help" "$tmp/types" "$tmp/faults" "$template" "$template" >"$tmp/out"
case $out in
  *.gz) gzip -9 -n -c "$tmp/out" >"$out.tmp" ;;
  *) cp "$tmp/out" "$out.tmp" ;;
esac
mv "$out.tmp" "$out"
