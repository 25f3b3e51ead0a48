#!/usr/bin/env bash
# Checks that includes follow the layers, installs what is missing, builds the release and the sanitizer builds, and
# runs every test in both, then runs the fuzz targets of the input decoders.
set -euo pipefail
cd "$(dirname "$0")/.."
echo "== includes follow the layers"
bash scripts/check-includes.sh
bash scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen
for preset in ci asan; do
  echo "== build: $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  echo "== test: $preset"
  ctest --preset "$preset"
done
echo "== fuzz"
bash scripts/fuzz.sh 30
