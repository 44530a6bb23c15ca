# Sources stay clang-format clean.
set -euo pipefail
if command -v clang-format >/dev/null; then
  scripts/format --check
  echo "clang-format: clean"
fi
