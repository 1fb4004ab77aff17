#!/usr/bin/env bash
# Builds Orvella and plays one whole game by itself: the stand-in room with
# scripted players, and the real main window clicked in a host's order. At
# the end it prints what the room heard and where the game's log is.
# Options go to the driver, e.g.: bash scripts/demo.sh --speed 2 --players 6
# (--words FILE plays a word file of your own; --games N plays N games in a
# row in one process; --help lists the rest).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release -j2 --target orvella-demo orvella-room

pids=()
runtime=
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  [ -z "$runtime" ] || rm -rf "$runtime"
}
trap cleanup EXIT
# Qt wants a runtime folder of the user's own (a login session has one) and
# warns without it.
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  runtime=$(mktemp -d)
  export XDG_RUNTIME_DIR=$runtime
fi

. scripts/virtual-display.sh
if need_display; then
  echo "No display: the demo runs on the virtual display $DISPLAY."
fi

build/release/src/orvella-demo "$@"
