#!/usr/bin/env bash
# Assembles viewers_all_instructions.asm with gpasm and keeps gpdasm's disassembly of
# the result as the reference for the listing decoder's cross-check test, so that the
# test does not need gputils at run time.
set -euo pipefail
cd "$(dirname "$0")"
gpasm -p16f877 -o viewers_all_instructions.hex viewers_all_instructions.asm
rm -f viewers_all_instructions.cod viewers_all_instructions.lst
gpdasm -p p16f877 viewers_all_instructions.hex > viewers_all_instructions.gpdasm
