#!/usr/bin/env bash
# Builds the release variant and runs the benchmark suite: the chat-text
# paths on generated chat beside a plain line split, the player sort, the
# recovery-log write, a line to the stand-in chat client and back beside a
# minimal Qt peer (a raw socket ping-pong printed as the floor), a client
# answering 6 or 10 for ever, a host line to 150 people from the web page
# (from many loopback addresses) beside the people socket, the same line to
# the same pages while one address floods the room at the highest rates it
# allows (judged against the same 100 ms p99 and nothing lost; what the room
# refused the flooder is printed), 50 whole games in one demo process (its
# memory and descriptors after game 5 and after game 50), and start-up time
# and memory against a bare Qt window holding a label (the empty window's
# start printed for reference).
# Prints a table and one met or missed line per budget; exits non-zero when
# a budget is missed.
# Extra arguments go to Google Benchmark (e.g. --benchmark_filter=getnext).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release -j2 --target orvella-bench orvella-startup orvella-room orvella-webload \
  orvella-games orvella-demo

scratch=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$scratch"
}
trap cleanup EXIT

status=0
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} \
  build/release/bench/orvella-bench --room="$PWD/build/release/src/orvella-room" "$@" || status=$?

# 150 people from the web page beside the people socket's, one host line to
# all; then the same pages while one address floods the room.
build/release/bench/orvella-webload "$PWD/build/release/src/orvella-room" || status=$?

# 50 games in a row in one process, each in a new main window.
build/release/bench/orvella-games "$PWD/build/release/src/orvella-demo" || status=$?

# Start-up is compared on a real window system, where a window costs what
# it costs the host; without a display, on a virtual one.
. scripts/virtual-display.sh
need_display || true

# The program starts against a room of its own, in folders of its own.
export XDG_RUNTIME_DIR=$scratch XDG_DATA_HOME=$scratch/data
build/release/src/orvella-room --stay >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 1 100); do
  [ -S "$scratch/wadapi.sock" ] && break
  sleep 0.1
done
build/release/bench/orvella-startup compare 15 || status=$?
exit $status
