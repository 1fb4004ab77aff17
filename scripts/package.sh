#!/usr/bin/env bash
# Builds the Debian packages orvella and orvella-clients with
# dpkg-buildpackage into build/deb, or the folder named. They are built in
# build/release, the tree scripts/test.sh tests, so the program is compiled
# once for both.
#   bash scripts/package.sh [FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-build/deb}")
bash scripts/install-deps.sh --package
mkdir -p "$out"
rm -f "$out"/*.deb "$out"/orvella.buildinfo "$out"/orvella.changes
# The build log stays out of sight unless the build fails.
log=$out/build.log
if ! ORVELLA_DEB_DIR=$out dpkg-buildpackage -b --no-sign -J2 \
    --buildinfo-option=-u"$out" --buildinfo-file="$out/orvella.buildinfo" \
    --changes-option=-u"$out" --changes-file="$out/orvella.changes" >"$log" 2>&1; then
  tail -n 60 "$log" >&2
  echo "dpkg-buildpackage failed; the whole log is $log" >&2
  exit 1
fi
ls -1 "$out"/*.deb
