#!/usr/bin/env bash
# Builds ZumiVok and runs the whole test suite.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
bash "$repo/scripts/setup.sh"
cd "$repo/build"
ctest --output-on-failure --timeout 900 -j "$(nproc)"
