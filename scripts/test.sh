#!/usr/bin/env bash
# Checks that every include follows the layers, installs what is missing,
# builds the whole release build (the desktop program and the benchmarks
# beside the `oewr` that scripts/demo.sh builds), builds the release and the
# sanitizer builds with their tests, runs every test in both, then runs the
# fuzz targets of the input decoders.
set -euo pipefail
cd "$(dirname "$0")/.."
echo "== includes follow the layers"
bash scripts/check-includes.sh
bash scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen
echo "== build: release"
cmake --preset release >/dev/null
cmake --build --preset release
for preset in ci asan; do
  echo "== build: $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  echo "== test: $preset"
  ctest --preset "$preset"
done
echo "== fuzz"
bash scripts/fuzz.sh 30
