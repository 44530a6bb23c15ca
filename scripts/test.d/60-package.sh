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
  usr/share/bash-completion/completions/pkorvel-cli usr/lib/modules-load.d/pkorvel.conf \
  usr/share/doc/pkorvel/copyright usr/share/doc/pkorvel/changelog.Debian.gz; do
  [[ $contents == *" ./$f"* ]] || { echo "FAIL: package lacks /$f"; failures=1; }
done
recommends=$(dpkg-deb -f "$deb" Recommends)
for p in qt6-wayland qt6-translations-l10n; do
  [[ $recommends =~ (^|, )$p(,|$) ]] || { echo "FAIL: Recommends lacks $p: $recommends"; failures=1; }
done
dpkg-deb -e "$deb" "$out/control"
grep -q "usermod -a -G lp" "$out/control/postinst" || { echo "FAIL: postinst says nothing about group lp"; failures=1; }
# The newest changelog entry is the package's version.
dpkg-deb -x "$deb" "$out/root"
version=$(dpkg-deb -f "$deb" Version)
entry=$(zcat "$out/root/usr/share/doc/pkorvel/changelog.Debian.gz" | head -1)
[[ $entry == "pkorvel ($version) "* ]] ||
  { echo "FAIL: packaging/debian/changelog.in has no entry for $version: $entry"; failures=1; }
# The long description names every chip type of the catalogue.
description=$(dpkg-deb -f "$deb" Description)
for type in $(sed -n 's/^ *catalogue_detail::row([A-Za-z0-9_]*, *"\([^"]*\)".*/\1/p' src/device/catalogue.h); do
  [[ $description == *"$type"* ]] || { echo "FAIL: the description lacks $type"; failures=1; }
done
((failures == 0))
echo "package: $(basename "$deb") builds, Depends: $depends"
