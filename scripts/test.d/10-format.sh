# Sources stay clang-format clean.
if command -v clang-format >/dev/null; then
  scripts/format --check
  echo "clang-format: clean"
fi
