#!/usr/bin/env bash
# Assembles enhanced_all_instructions.asm with gpasm and keeps gpdasm's disassembly of
# the result as the reference for the enhanced decoder's cross-check test, so that
# the test does not need gputils at run time.
set -euo pipefail
cd "$(dirname "$0")"
gpasm -p16f1827 -o enhanced_all_instructions.hex enhanced_all_instructions.asm
rm -f enhanced_all_instructions.cod enhanced_all_instructions.lst
gpdasm -p p16f1827 enhanced_all_instructions.hex > enhanced_all_instructions.gpdasm
