#!/usr/bin/env bash
# Checks the include directions between the layers, then builds and runs every
# test twice: a normal build, then one under AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/check-layers.sh
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=0
for variant in release asan; do
  dir=build/$variant
  if [ "$variant" = asan ]; then
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DORVELLA_SANITIZE=ON >/dev/null
  else
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  fi
  cmake --build "$dir" -j2
  (cd "$dir" && ctest -j2 --output-on-failure --timeout 300)
done
