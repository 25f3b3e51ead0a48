#!/usr/bin/env bash
# Installs what is missing, builds the command-line program `oewr` (and only
# what it needs: the tests, the desktop program and the benchmarks are built by
# scripts/test.sh), builds the demo site's host database and runs the model
# headless on it (outputs in ./oewr-demo, replacing the demo made there before).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target oewr
./build/release/src/oewr demo --force oewr-demo
