#!/usr/bin/env bash
# Builds Orvella and the stand-in chat room, then plays: the room with six
# scripted players runs in this terminal, and Orvella starts connected to it.
#
#   bash scripts/run.sh [--fresh] [host name]     (the host is "Ann Lee" unless named)
#   bash scripts/run.sh --orvella-only            (Orvella again, against the running room)
#
# Orvella keeps its settings and recovery log in a data folder of its own,
# build/play/orvella, never in the user's. Its first settings file names a
# copy of the starter macros and offers all ten boxes; --fresh starts that
# folder over. Orvella starts in data/words, so its Load dialog opens on the
# word lists. The players' behaviour repeats with ORVELLA_SEED (default 7).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
fresh=no
only=no
case "${1:-}" in
  --fresh) fresh=yes; shift ;;
  --orvella-only) only=yes; shift ;;
esac
host=${1:-Ann Lee}
seed=${ORVELLA_SEED:-7}
play=$root/build/play
folder=$play/orvella
# The room's sockets live here for the whole session, so Orvella started
# again later finds the room.
runtime=$play/run
start_orvella() (
  cd "$root/data/words"
  XDG_RUNTIME_DIR=$runtime XDG_DATA_HOME=$play XDG_CONFIG_HOME=$play/config \
    exec "$root/build/release/src/orvella"
)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
}
trap cleanup EXIT
. scripts/virtual-display.sh

if [ "$only" = yes ]; then
  if [ ! -S "$runtime/wadapi.sock" ]; then
    echo "No room is running for Orvella; start one with: bash scripts/run.sh" >&2
    exit 1
  fi
  if need_display; then
    echo "No display: Orvella runs on the virtual display $DISPLAY."
  fi
  echo "Orvella starts against the running room; File > Recover brings the game back."
  start_orvella
  exit
fi

bash scripts/install-deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release -j2 --target orvella orvella-room

[ "$fresh" = no ] || rm -rf "$play"
mkdir -p "$folder" "$play/config"
mkdir -p -m 700 "$runtime"
rm -f "$runtime"/*.sock  # left by a room that crashed
bash scripts/first-settings.sh "$folder"

export XDG_RUNTIME_DIR=$runtime
if need_display; then
  echo "No display: Orvella runs on the virtual display $DISPLAY."
fi

# Orvella connects once the room listens. The file dialogs keep their own
# memory under build/play too, so nothing of the user's is touched.
(
  for _ in $(seq 1 100); do
    [ -S "$runtime/wadapi.sock" ] && break
    sleep 0.1
  done
  start_orvella
) &
pids+=($!)

echo "Orvella's data folder: $folder (settings, macros.txt, Orvella.log)."
echo "1. In Orvella click Load, pick a word list, click Start, then play macro 1 (greeting) and 3 (how to register)."
echo "2. Click Get Regs when players have sent their \$, then Draw and Ask; when the player answers, Get and Check."
echo "3. After a match pick the winner's box; Draw again for the next word. Type /help here for the room; /quit ends both."
web=${ORVELLA_WEB_PORT:-8765}
echo "4. People join from a browser on this machine at the address printed below, http://127.0.0.1:$web/#CODE."
echo "If Orvella closes or crashes, start it again from another terminal with: bash scripts/run.sh --orvella-only"
echo "   then click File > Recover to bring the game back."

# Without a terminal the room would end with its empty input; keep it open.
stay=()
[ -t 0 ] || stay=(--stay)
build/release/src/orvella-room --host "$host" --players 6 --seed "$seed" \
  --web "127.0.0.1:$web" "${stay[@]}"
