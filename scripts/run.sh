#!/usr/bin/env bash
# Builds Orvella and the stand-in chat room, then starts the room with its
# console in this terminal and Orvella connected to it. Type room lines at
# the console ("Bo: hello", "esp Bo: $", "/help"); "/quit" ends both.
# The host avatar's name can be given: bash scripts/run.sh "Ann Lee"
set -euo pipefail
cd "$(dirname "$0")/.."
host=${1:-Ann Lee}
bash scripts/install-deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release -j2 --target orvella orvella-room

runtime=$(mktemp -d)
export XDG_RUNTIME_DIR=$runtime
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$runtime"
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  for n in $(seq 90 120); do
    [ -e "/tmp/.X11-unix/X$n" ] || break
  done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  pids+=($!)
  export DISPLAY=":$n"
  echo "No display: Orvella runs on the virtual display $DISPLAY."
fi

# Orvella connects once the room listens.
(
  for _ in $(seq 1 100); do
    [ -S "$runtime/wadapi.sock" ] && break
    sleep 0.1
  done
  exec build/release/src/orvella
) &
pids+=($!)

# Without a terminal the room would end with its empty input; keep it open.
stay=()
[ -t 0 ] || stay=(--stay)
build/release/src/orvella-room --host "$host" "${stay[@]}"
