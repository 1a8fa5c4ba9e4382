#!/usr/bin/env bash
# Kills the writing commands in the middle, over and over. Done (New, also
# with a record of several MB), Done (Edit), Delete Entry and Alpha Sort each
# run in a child process on a copy of a 5,000-record catalogue and are killed
# with SIGKILL just before each of their file-system calls in turn, and at
# KILLS random moments each (200 by default). After every kill zumivok.dat
# must hold the old or the new bytes, and no entry may be left only in a
# scratch file. Prints the figures of each command and their totals.
#
# Usage: scripts/crash_test.sh [KILLS [SEED]]
# The copies are made in $TMPDIR (/tmp by default; TMPDIR=/dev/shm tries
# tmpfs). BUILD_DIR picks the build folder (build/ by default); the packages
# that building needs come from scripts/setup.sh.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$repo/build}"
kills="${1:-200}"
seed="${2:-$((RANDOM * 32768 + RANDOM))}"
folder="${TMPDIR:-/tmp}"

cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)" --target test_crash >/dev/null

echo "Crash test: $kills random kills per command, seed $seed," \
     "in $folder ($(df -T "$folder" | awk 'NR == 2 { print $2 }'))"
log="$(mktemp)"
trap 'rm -f "$log"' EXIT
status=0
ZUMIVOK_CRASH_KILLS="$kills" ZUMIVOK_CRASH_SEED="$seed" \
  "$build/tests/test_crash" >"$log" 2>&1 || status=$?

grep -o 'crash: .*' "$log" | sed 's/^crash: /  /'
# The figures read "<n> killed, <n> survived ... <n> torn, <n> entries lost".
awk '/crash: .* killed/ {
       for (i = 1; i < NF; i++) {
         if ($(i + 1) == "killed,") killed += $i
         if ($(i + 1) == "survived") survived += $i
         if ($(i + 1) == "torn,") torn += $i
         if ($(i + 1) == "entries") lost += $i
       }
     }
     END { printf "Total: %d kills, %d survived, %d torn, %d entries lost\n", killed, survived, torn, lost }' "$log"
grep -E '^(FAIL!|   Loc)' "$log" || true
exit "$status"
