#!/usr/bin/env bash
# Builds ZumiVok and starts it with the current directory as its data
# directory: the catalogue is ./zumivok.dat.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
bash "$repo/scripts/setup.sh" zumivok
exec "$repo/build/zumivok"
