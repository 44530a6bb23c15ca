#!/usr/bin/env bash
# Assembles the baseline programs with gpasm and keeps gpdasm's disassembly of the
# results as the references for the baseline decoder's cross-check test, so that
# the test does not need gputils at run time. baseline_pages.asm is assembled for
# the 16F57: its code lies in all four pages.
set -euo pipefail
cd "$(dirname "$0")"
gpasm -q -p12f508 -o baseline_all_instructions.hex baseline_all_instructions.asm
gpasm -q -p16f57 -o baseline_pages.hex baseline_pages.asm
rm -f baseline_all_instructions.cod baseline_all_instructions.lst baseline_pages.cod baseline_pages.lst
gpdasm -p p12f508 baseline_all_instructions.hex > baseline_all_instructions.gpdasm
gpdasm -p p16f57 baseline_pages.hex > baseline_pages.gpdasm
