#!/usr/bin/env bash
# Installs what is missing, builds, and runs the model on the demo site.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release
./build/release/src/oewr --help
