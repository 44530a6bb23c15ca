# The Debian package builds from the tree the tests were built in and carries what
# it should. PKORVEL_SKIP_PACKAGE=1 skips it (scripts/package builds the real one).
set -euo pipefail
if [[ ${PKORVEL_SKIP_PACKAGE:-0} == 1 ]]; then
  echo "package: skipped (PKORVEL_SKIP_PACKAGE=1)"
  exit 0
fi
BUILD=${PKORVEL_TEST_BUILD:-build/test}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

cpack -G DEB --config "$BUILD/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 ||
  { cat "$out/cpack.log"; exit 1; }
deb=$(ls "$out"/pkorvel_*.deb)

failures=0
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libqt6gui6 libqt6core6 libjpeg62-turbo libc6; do
  [[ $depends =~ (^|, )$lib( |,|$) ]] || { echo "FAIL: Depends lacks $lib: $depends"; failures=1; }
done
contents=$(dpkg-deb -c "$deb")
for f in usr/bin/pkorvel usr/bin/pkorvel-cli usr/share/man/man1/pkorvel-cli.1.gz \
  usr/share/man/de/man1/pkorvel.1.gz usr/share/applications/pkorvel.desktop \
  usr/share/icons/hicolor/scalable/apps/pkorvel.svg usr/share/icons/hicolor/48x48/apps/pkorvel.png \
  usr/share/bash-completion/completions/pkorvel-cli usr/lib/modules-load.d/pkorvel.conf; do
  [[ $contents == *" ./$f"* ]] || { echo "FAIL: package lacks /$f"; failures=1; }
done
dpkg-deb -e "$deb" "$out/control"
grep -q "adduser" "$out/control/postinst" || { echo "FAIL: postinst says nothing about group lp"; failures=1; }
((failures == 0))
echo "package: $(basename "$deb") builds, Depends: $depends"
