#!/usr/bin/env bash
# Builds Orvella and the stand-in chat room, starts the room and Orvella
# connected to it. Type lines for the room at the room's prompt.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVELLA_TESTS=OFF >/dev/null
cmake --build build/release -j2 --target orvella orvella-room
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  exec xvfb-run -a bash "$0" "$@"
fi
exec build/release/src/orvella
