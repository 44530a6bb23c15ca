# The release package (scripts/package) passes lintian: no error, and no warning
# but the ones listed below with their reason. Skipped without lintian, or with
# PKORVEL_SKIP_PACKAGE=1. The release build lives in build/package and goes
# through ccache when it is installed, so a second run costs little.
set -euo pipefail
if [[ ${PKORVEL_SKIP_PACKAGE:-0} == 1 ]]; then
  echo "lintian: skipped (PKORVEL_SKIP_PACKAGE=1)"
  exit 0
fi
if ! command -v lintian >/dev/null; then
  echo "lintian: skipped (not installed; scripts/setup installs it)"
  exit 0
fi
log=$(mktemp)
trap 'rm -f "$log"' EXIT
scripts/package >"$log" 2>&1 || { cat "$log"; exit 1; }
deb=$(ls "${PKORVEL_PACKAGE_BUILD:-build/package}"/pkorvel_*.deb)

# Tags that are expected, each with why:
allowed=(
  # The package is not in Debian, so its first changelog entry has no ITP bug to close.
  initial-upload-closes-no-bugs
)
out=$(lintian --fail-on none --suppress-tags "$(IFS=,; echo "${allowed[*]}")" "$deb" 2>&1)
problems=$(grep -E '^[EW]: ' <<<"$out" || true)
if [[ -n $problems ]]; then
  echo "$out"
  echo "FAIL: lintian reports errors or warnings for $(basename "$deb")"
  exit 1
fi
echo "lintian: $(basename "$deb") has no errors and no warnings"
