#!/usr/bin/env bash
# Fuzzes the HEX reader for a short while with libFuzzer, seeded with the HEX files
# of tests/data. Needs clang; skipped without it. FUZZ_SECONDS sets the run time.
set -euo pipefail
cd "$(dirname "$0")/../.."
if ! command -v clang++ >/dev/null; then
  echo "50-fuzz: clang++ not found, skipped"
  exit 0
fi
OUT=${PKORVEL_FUZZ_BUILD:-build/fuzz}
SECONDS_TO_RUN=${FUZZ_SECONDS:-30}
mkdir -p "$OUT/corpus"
clang++ -std=c++20 -g -O1 -Wall -Wextra -Werror -fsanitize=fuzzer,address,undefined \
        -fno-sanitize-recover=undefined -Isrc \
        fuzz/hex_reader_fuzz.cpp src/image/hex_file.cpp src/image/hex_syntax.cpp \
        src/image/standard_streams.cpp src/image/hex_text.cpp src/image/system_reason.cpp -o "$OUT/hex_reader_fuzz"
cp tests/data/*.hex "$OUT/corpus/"
# The corpus folder grows with what the fuzzer finds; the seeds are copied in each time.
if ! "$OUT/hex_reader_fuzz" -max_total_time="$SECONDS_TO_RUN" -max_len=4096 \
     -artifact_prefix="$OUT/" "$OUT/corpus" >"$OUT/fuzz.log" 2>&1; then
  tail -n 60 "$OUT/fuzz.log"
  echo "50-fuzz: the HEX reader failed; the input is saved in $OUT/ (crash-*, leak-*, ...)"
  exit 1
fi
tail -n 1 "$OUT/fuzz.log"
echo "50-fuzz: HEX reader ran clean for ${SECONDS_TO_RUN} s"
