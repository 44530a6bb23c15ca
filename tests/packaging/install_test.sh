#!/usr/bin/env bash
# install_test.sh BUILD_DIR SOURCE_DIR PKORVEL PKORVEL_CLI LIST_FACTS
# Installs into a temporary DESTDIR and checks the files, the desktop entry, the
# manual pages and the shell completion.
set -uo pipefail
build=$1 source=$2 pkorvel=$3 cli=$4 list_facts=$5
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null || fail "cmake --install"
usr=$root/usr

for f in bin/pkorvel bin/pkorvel-cli \
  share/applications/pkorvel.desktop \
  share/icons/hicolor/scalable/apps/pkorvel.svg \
  share/icons/hicolor/48x48/apps/pkorvel.png \
  share/man/man1/pkorvel.1.gz share/man/man1/pkorvel-cli.1.gz \
  share/man/de/man1/pkorvel.1.gz share/man/de/man1/pkorvel-cli.1.gz \
  share/bash-completion/completions/pkorvel-cli \
  share/doc/pkorvel/copyright share/doc/pkorvel/changelog.Debian.gz \
  lib/modules-load.d/pkorvel.conf; do
  [[ -s $usr/$f ]] || fail "not installed: /usr/$f"
done
[[ -x $usr/bin/pkorvel && -x $usr/bin/pkorvel-cli ]] || fail "programs not executable"
XDG_RUNTIME_DIR=$root "$usr/bin/pkorvel" --version >/dev/null || fail "installed pkorvel --version"

# The desktop entry: valid, and pointing at the installed program and icon.
desktop=$usr/share/applications/pkorvel.desktop
if command -v desktop-file-validate >/dev/null; then
  out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $out"
  [[ -z $out ]] || fail "desktop-file-validate: $out"
fi
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
icon_name=$(sed -n 's/^Icon=//p' "$desktop")
[[ -x $usr/bin/$exec_name ]] || fail "Exec=$exec_name is not an installed program"
for size in 16 24 32 48 64 128 256; do
  png=$usr/share/icons/hicolor/${size}x$size/apps/$icon_name.png
  # PNG width and height are the big-endian words at bytes 16 and 20.
  dims=$(od -An -tu1 -j16 -N8 "$png" 2>/dev/null | awk '{print $3*256+$4 "x" $7*256+$8}')
  [[ $dims == "${size}x$size" ]] || fail "$png is $dims"
done
grep -q '<svg' "$usr/share/icons/hicolor/scalable/apps/$icon_name.svg" || fail "icon is no SVG"

# The manual pages render without a single warning, hold no template directive and
# name what the help text names.
render() {
  if command -v man >/dev/null; then
    LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$1"
  else
    zcat "$1" | preconv -e UTF-8 | groff -man -Tutf8 -ww
  fi
}
for page in man1/pkorvel.1.gz man1/pkorvel-cli.1.gz de/man1/pkorvel.1.gz de/man1/pkorvel-cli.1.gz; do
  file=$usr/share/man/$page
  text=$(render "$file" 2>"$root/warnings") || fail "$page does not render"
  [[ ! -s $root/warnings ]] && [[ -n $text ]] || fail "$page: $(cat "$root/warnings")"
  ! zcat "$file" | grep -q '^@\|@[A-Z_]*@' || fail "$page keeps a template directive"
  for word in --simulate --sim-fast --port 16f877 PKorvel.ini /dev/parport; do
    [[ $text == *"$word"* ]] || fail "$page does not mention $word"
  done
done
cli_page=$(render "$usr/share/man/man1/pkorvel-cli.1.gz" 2>/dev/null)
for word in search detect burn verify read erase unprotect listing map check --type --json \
  "EXIT STATUS"; do
  [[ $cli_page == *"$word"* ]] || fail "pkorvel-cli(1) does not mention $word"
done

# Every option and item of the help texts has its English words (and no stale ones).
for t in pkorvel.en pkorvel.de pkorvel-cli.en pkorvel-cli.de; do
  program=$pkorvel
  [[ $t == pkorvel-cli.* ]] && program=$cli
  PKORVEL_HELP_STRICT=1 sh "$source/packaging/generate.sh" "$program" "$list_facts" \
    "$source/packaging/man/$t.1.in" 0 "$root/$t.1" || fail "$t.1.in differs from $program --help"
done

# Completion: commands, options and chip types, with bash splitting "--type=x" at "=".
complete_line() {
  bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _pkorvel_cli
           ((${#COMPREPLY[@]} == 0)) || printf "%s\n" "${COMPREPLY[@]}"' _ "$usr/share/bash-completion/completions/pkorvel-cli" "$@"
}
check_completion() {
  local want=$1
  shift
  local got
  got=$(complete_line "$@" | sort | tr '\n' ' ')
  [[ $got == "$want" ]] || fail "completing '$*': got '$got', want '$want'"
}
check_completion "burn " pkorvel-cli b
check_completion "detect " pkorvel-cli --quiet de
check_completion "--sim-chip-file --sim-circuit --sim-fast --sim-fault --sim-lpt --sim-strict --sim-vpp --simulate " pkorvel-cli --sim
check_completion "16f84 16f84a " pkorvel-cli --type 16f84
check_completion "16f627 16f627a 16f628 16f628a " pkorvel-cli --type = 16F62
check_completion "16f716 16f72 16f73 16f74 16f76 16f77 16f785 " pkorvel-cli burn --simulate = 16f7
check_completion "lpt1 lpt2 " pkorvel-cli --port lp
check_completion "" pkorvel-cli --type 16f877 map a.hex b.png ""
all_types=$(ASAN_OPTIONS=detect_leaks=0 "$list_facts" | sort | tr '\n' ' ')
check_completion "$all_types" pkorvel-cli --type ""
(mkdir "$root/files" && cd "$root/files" && touch chip.hex chip.txt && mkdir dir &&
  got=$(complete_line pkorvel-cli --type 16f84 burn "" | sort | tr '\n' ' ') &&
  [[ $got == "chip.hex dir " ]]) || fail "completing a burn file lists other files"

# Every fault the simulator models is named by --help, completed and in every manual
# page; a fault without a name makes list_facts fail.
faults=$(ASAN_OPTIONS=detect_leaks=0 "$list_facts" faults) ||
  fail "a fault the simulator models has no name, so the completion and the manual pages leave it out"
cli_help=$(XDG_RUNTIME_DIR=$root "$usr/bin/pkorvel-cli" --help)
fault_words=$(complete_line pkorvel-cli --sim-fault = "" | tr '\n' ' ')
while IFS=$'\t' read -r fault syntax; do
  word=$fault
  [[ -n $syntax ]] && word=$fault:
  [[ " $fault_words" == *" $word "* ]] || fail "the completion of --sim-fault lacks $word"
  [[ $cli_help == *"$fault$syntax"* ]] || fail "pkorvel-cli --help lacks the fault $fault$syntax"
  for page in man1/pkorvel.1.gz man1/pkorvel-cli.1.gz de/man1/pkorvel.1.gz de/man1/pkorvel-cli.1.gz; do
    render "$usr/share/man/$page" 2>/dev/null | grep -q -- "$fault" ||
      fail "the manual page $page lacks the fault $fault"
  done
done <<<"$faults"

# "pkorvel-cli types" and the manual page's chip types list every name --type takes.
types_text=$(XDG_RUNTIME_DIR=$root "$usr/bin/pkorvel-cli" types)
for type in $all_types; do
  [[ $types_text == *"$type"* ]] || fail "pkorvel-cli types lacks $type"
  [[ $cli_page == *"$type"* ]] || fail "pkorvel-cli(1) lacks the chip type $type"
done

((failures == 0)) && echo "install test: all checks passed"
exit $((failures > 0))
