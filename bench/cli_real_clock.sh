#!/usr/bin/env bash
# Real-clock read and compare of a full chip against the simulated programmer,
# start-up included: what a user waits for at the terminal in the data-sheet
# timing. Best of three runs. Goals: 16F84A read and compare within 0.30 s,
# 16F877 read within 1.0 s.
# Usage: bench/cli_real_clock.sh [path/to/pkorvel-cli]   (a release build is meant)
set -euo pipefail
cli=${1:-build/rel/src/cli/pkorvel-cli}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

best() {  # best of three wall times of a command, in seconds
    local b=999
    for _ in 1 2 3; do
        local t0 t1
        t0=$(date +%s.%N)
        "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
        t1=$(date +%s.%N)
        b=$(echo "$t1 $t0 $b" | awk '{d = $1 - $2; print (d < $3 ? d : $3)}')
    done
    printf '%.3f' "$b"
}

for chip in 16F84A 16F877; do
    state="$work/$chip.chip"
    file="$work/$chip.hex"
    # A full chip: a random file burnt first.
    python3 - "$file" "$chip" <<'PY'
import random, sys
path, chip = sys.argv[1], sys.argv[2]
words, eeprom = (1024, 64) if chip == "16F84A" else (8192, 256)
random.seed(7)
def rec(addr, data):
    b = [len(data), (addr >> 8) & 0xFF, addr & 0xFF, 0] + data
    return ":" + "".join("%02X" % x for x in b) + "%02X" % ((-sum(b)) & 0xFF)
out = [":020000040000FA"]
ws = [random.randint(0, 0x3FFE) for _ in range(words)]
for i in range(0, words, 8):
    out.append(rec((i * 2) & 0xFFFF, sum(([w & 0xFF, w >> 8] for w in ws[i:i + 8]), [])))
d = sum(([n ^ 0x5A, 0] for n in range(eeprom)), [])
for i in range(0, len(d), 16):
    out.append(rec(0x4200 + i, d[i:i + 16]))
out.append(rec(0x400E, [0x72, 0x3F] if chip == "16F877" else [0xF1, 0x3F]))
out.append(":00000001FF")
open(path, "w").write("\n".join(out) + "\n")
PY
    "$cli" --simulate="$chip" --sim-fast --sim-chip-file="$state" --timing datasheet \
        burn "$file" >/dev/null
    run=("$cli" --simulate="$chip" --sim-chip-file="$state" --timing datasheet)
    echo "$chip read    $(best "${run[@]}" read "$work/out.hex") s"
    echo "$chip verify  $(best "${run[@]}" verify "$file") s"
done
