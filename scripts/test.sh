#!/usr/bin/env bash
# Checks the include directions between the layers, then builds and runs every
# test twice: a normal build, then one under AddressSanitizer and
# UndefinedBehaviorSanitizer. The normal build is the Debian packages' build
# (scripts/package.sh), so it is compiled once, tested, and its packages
# checked too.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --package
bash scripts/check-layers.sh
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=0
for variant in release asan; do
  dir=build/$variant
  if [ "$variant" = asan ]; then
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DORVELLA_SANITIZE=ON >/dev/null
    cmake --build "$dir" -j2
  else
    bash scripts/package.sh build/deb
  fi
  (cd "$dir" && ctest -j2 --output-on-failure --timeout 300)
  [ "$variant" = asan ] || bash tests/scripts/package_test.sh build/deb
done
