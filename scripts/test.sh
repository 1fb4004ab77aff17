#!/usr/bin/env bash
# Checks the include directions between the layers, then builds and runs every
# test twice: a normal build, then one under AddressSanitizer and
# UndefinedBehaviorSanitizer. The normal build is the Debian packages' build
# (scripts/package.sh), so it is compiled once, tested, and its packages
# checked too.
#   --quick [CTEST ARGS]: for day-to-day work, once the packages are installed:
#   checks the layers, configures and builds build/dev and runs CTest there,
#   without apt, the sanitizers or the packages.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = --quick ]; then
  shift
  bash scripts/check-layers.sh
  launcher=()
  if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
  cmake -S . -B build/dev -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
  cmake --build build/dev -j2
  cd build/dev
  exec env QT_QPA_PLATFORM=offscreen ctest -j2 --output-on-failure --timeout 300 "$@"
fi
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
