#!/usr/bin/env bash
# Fuzzes the store with libFuzzer. Builds the harnesses of fuzz/ with Debian's
# clang (-fsanitize=fuzzer,address,undefined) into build-fuzz/ and runs each
# for SECONDS seconds (60 by default), starting from its seed corpus in
# fuzz/corpus/<harness>/, then prints how many inputs each one ran. Inputs that
# reach new code are kept in build-fuzz/corpus/<harness>/; an input that fails
# a check or crashes is saved in build-fuzz/artifacts/<harness>/, and belongs
# in fuzz/corpus/<harness>/ once it is understood.
#
# Usage: scripts/fuzz.sh [SECONDS [HARNESS...]]   (harnesses: records erase sort codepage)
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${FUZZ_BUILD_DIR:-$repo/build-fuzz}"
seconds="${1:-60}"
shift || true
harnesses=("$@")
[ "${#harnesses[@]}" -gt 0 ] || harnesses=(records erase sort codepage)

# Besides what scripts/setup.sh installs: clang and its libFuzzer runtime.
bash "$repo/scripts/install_packages.sh" clang libclang-rt-14-dev cmake make qt6-base-dev

# The store is built with the same instrumentation, so that the fuzzer sees
# its branches and the sanitizers check its code.
cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DZUMIVOK_FUZZ=ON -DBUILD_TESTING=OFF \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined" \
  >/dev/null
targets=()
for harness in "${harnesses[@]}"; do targets+=(--target "fuzz_$harness"); done
cmake --build "$build" -j "$(nproc)" "${targets[@]}" >/dev/null

status=0
for harness in "${harnesses[@]}"; do
  corpus="$build/corpus/$harness"
  artifacts="$build/artifacts/$harness"
  log="$build/fuzz_$harness.log"
  mkdir -p "$corpus" "$artifacts"
  # The slow reference sort works on files, pass by pass: small inputs only.
  max_len=4096
  [ "$harness" != sort ] || max_len=1024
  result=0
  "$build/fuzz/fuzz_$harness" "$corpus" "$repo/fuzz/corpus/$harness" \
    -max_total_time="$seconds" -max_len="$max_len" -timeout=10 \
    -artifact_prefix="$artifacts/" -print_final_stats=1 >"$log" 2>&1 || result=$?
  runs="$(awk '/stat::number_of_executed_units/ { print $2 }' "$log")"
  echo "$harness: ${runs:-?} inputs in ${seconds} s, $(ls "$corpus" | wc -l) kept in $corpus"
  if [ "$result" -ne 0 ]; then
    status=1
    echo "  FAILED (see $log):"
    grep -E 'check failed|ERROR|runtime error|Test unit written' "$log" | head -5 | sed 's/^/    /'
  fi
done
exit "$status"
