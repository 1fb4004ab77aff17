#!/usr/bin/env bash
# Remakes the guide's pictures (docs/images/*.png) from the real program:
# Orvella and the stand-in room run on a virtual display, players' lines are
# typed into the room's console, and the host's clicks are made with xdotool.
# Nothing of the user's is touched: every folder the program uses is
# temporary. When the layout of a window changes, the click positions below
# (relative to the window) change with it. Named pictures only are remade
# when given (the whole game is still played to reach them); BUILD names the
# build folder (build/release by default).
#   bash scripts/screenshots.sh [name ...]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$root/docs/images
build=${BUILD:-build/release}
wanted=" $* "
bash scripts/install-deps.sh --docs
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target orvella orvella-room

# The program runs as installed, so the pictures show the installed folders.
tmp=$(mktemp -d /tmp/orvella-XXXX)
cmake --install "$build" --prefix "$tmp/usr" >/dev/null
export XDG_RUNTIME_DIR=$tmp/run XDG_DATA_HOME=$tmp/data XDG_CONFIG_HOME=$tmp/config
mkdir -p "$XDG_RUNTIME_DIR" "$XDG_DATA_HOME/orvella" "$XDG_CONFIG_HOME" "$out"
chmod 700 "$XDG_RUNTIME_DIR"
ORVELLA_PROGRAM=$tmp/usr/bin/orvella \
  bash scripts/first-settings.sh "$XDG_DATA_HOME/orvella" "$tmp/usr/share/orvella/macros/starter.txt"

pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$tmp"
}
trap cleanup EXIT

. scripts/virtual-display.sh
start_virtual_display 1024x768x24

# The room reads its console from a pipe that this script writes to.
mkfifo "$tmp/console"
sleep infinity > "$tmp/console" &
pids+=($!)
"$tmp/usr/bin/orvella-room" --host "Ann Lee" --stay < "$tmp/console" > "$tmp/room.log" 2>&1 &
pids+=($!)
room() { printf '%s\n' "$@" > "$tmp/console"; }

# Waits (at most 20 s) until the room has heard a line holding text (or
# that many such lines), or a window with the title appears; prints the
# window's id.
heard() {
  for _ in $(seq 1 200); do
    # The step that said it is over a moment later and takes clicks again.
    [ "$(grep -cF -- "$1" "$tmp/room.log")" -ge "${2:-1}" ] && sleep 1.5 && return 0
    sleep 0.1
  done
  echo "The room never heard: $1; its last lines:" >&2
  tail -5 "$tmp/room.log" >&2
  exit 1
}
window() {
  for _ in $(seq 1 200); do
    xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -1 | grep . && return 0
    sleep 0.1
  done
  echo "No window: $1" >&2
  exit 1
}
gone() {
  for _ in $(seq 1 200); do
    xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || { sleep 1; return 0; }
    sleep 0.1
  done
  echo "Still open: $1" >&2
  exit 1
}
click() { xdotool mousemove --window "$1" "$2" "$3" click 1; }
keys() {
  xdotool windowfocus --sync "$1"
  shift
  xdotool "$@"
}
close() { python3 "$root/scripts/closewindow.py" "$1"; }
settle() { sleep "${1:-1}"; }
wants() { [ "$wanted" = "  " ] || [[ $wanted == *" $1 "* ]]; }
# Pictures side by side on white, then made small.
picture() {
  local name=$1
  shift
  wants "$name" || return 0
  local parts=()
  # No tooltip in the picture.
  xdotool mousemove 1020 760
  sleep 0.5
  for w in "$@"; do
    xwd -silent -id "$w" | xwdtopnm 2>/dev/null > "$tmp/part${#parts[@]}.pnm"
    parts+=("$tmp/part${#parts[@]}.pnm")
  done
  if [ ${#parts[@]} -gt 1 ]; then
    pnmcat -white -lr -jtop "${parts[@]}" | pnmtopng > "$out/$name.png"
  else
    pnmtopng < "${parts[0]}" > "$out/$name.png"
  fi
  optipng -quiet -o2 "$out/$name.png"
  echo "docs/images/$name.png"
}

# A window with others over it, each pasted where it stands on the screen
# (a capture of the screen itself can miss a window's contents).
overlapping() {
  local name=$1 first=$2 w=0 h=0
  shift
  wants "$name" || return 0
  xdotool mousemove 1020 760
  sleep 0.5
  for win in "$@"; do
    eval "$(xdotool getwindowgeometry --shell "$win")"
    w=$((X + WIDTH > w ? X + WIDTH : w))
    h=$((Y + HEIGHT > h ? Y + HEIGHT : h))
  done
  eval "$(xdotool getwindowgeometry --shell "$first")"
  xwd -silent -id "$first" | xwdtopnm 2>/dev/null |
    pnmpad -white -left "$X" -top "$Y" -right $((w - X - WIDTH)) -bottom $((h - Y - HEIGHT)) \
      > "$tmp/canvas.pnm"
  shift
  for win in "$@"; do
    eval "$(xdotool getwindowgeometry --shell "$win")"
    xwd -silent -id "$win" | xwdtopnm 2>/dev/null > "$tmp/over.pnm"
    pnmpaste "$tmp/over.pnm" "$X" "$Y" "$tmp/canvas.pnm" > "$tmp/pasted.pnm"
    mv "$tmp/pasted.pnm" "$tmp/canvas.pnm"
  done
  pnmtopng < "$tmp/canvas.pnm" > "$out/$name.png"
  optipng -quiet -o2 "$out/$name.png"
  echo "docs/images/$name.png"
}

for _ in $(seq 1 100); do [ -S "$XDG_RUNTIME_DIR/wadapi.sock" ] && break; sleep 0.1; done
(cd "$tmp/usr/share/orvella/words" && exec "$tmp/usr/bin/orvella") > "$tmp/orvella.log" 2>&1 &
pids+=($!)
main=$(window '^Orvella V')
settle

# Main window positions: the big button, Get, Check, Countdown, Get Regs,
# Draw, and macro button i at (24 + 28 (i-1), 356).
big=(52 91) get=(150 91) check=(248 91) countdown=(150 117) regs=(65 418) draw=(186 418)
macro() { click "$main" $((24 + 28 * ($1 - 1))) 356; }

# Load: the dialog opens on the word lists.
click "$main" "${big[@]}"
open=$(window '^Open$')
xdotool windowmove --sync "$open" 310 0
settle
picture load "$main" "$open"
keys "$open" type --delay 20 animals.txt
settle # the name's completion list takes the first Return otherwise
xdotool key Return
gone '^Open$'

# The Room window beside the main window follows the room from here on.
keys "$main" key alt+f o
roomwin=$(window '^Room$')
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool windowmove --sync "$roomwin" $((X + WIDTH + 8)) "$Y"
xdotool windowsize --sync "$roomwin" 440 "$HEIGHT"
main=$(window '^Orvella V')

# Start, greet, explain registering; players register.
click "$main" "${big[@]}"
heard "to register."
macro 1
heard "every winner picks"
macro 3
heard "One ESP is enough"
room 'esp Bo Reed: $' 'Kit: hi everyone!' 'esp Kit: $' 'esp Marisol Vega: $' \
  'esp Tam: $' 'esp Quincy Abernathy: $' 'Tam: ready'
click "$main" "${regs[@]}"
heard "ESP to Quincy Abernathy: You are registered"
xdotool mousemove --window "$main" 52 356
settle
picture registrations "$main"

# Draw three players and ask the first; a near miss.
click "$main" "${draw[@]}"
heard "come on down" 3
settle
click "$main" "${big[@]}"
heard "your word is"
first=$(grep -F "your word is" "$tmp/room.log" | tail -1 | sed 's/^Ann Lee: \(.*\), your word is.*/\1/')
room "$first: oyster"
settle
click "$main" "${get[@]}"
settle 2
click "$main" "${check[@]}"
heard "is not a match"
settle 2

# The host speaks in the room from the Room window; it closes before the
# boxes window would stand over it.
eval "$(xdotool getwindowgeometry --shell "$roomwin")"
click "$roomwin" 60 $((HEIGHT - 20)) # the line under the text
keys "$roomwin" type --delay 20 "So close, $first!"
xdotool key Return
heard "So close, $first!"
picture room "$main" "$roomwin"
close "$roomwin"
gone '^Room$'
main=$(window '^Orvella V')

# The next player gets it; the winner picks a box.
click "$main" "${big[@]}"
heard "your word is" 2
second=$(grep -F "your word is" "$tmp/room.log" | tail -1 | sed 's/^Ann Lee: \(.*\), your word is.*/\1/')
room "$second: otter"
settle
click "$main" "${get[@]}"
settle 2
picture turn "$main"
click "$main" "${check[@]}"
heard "is a match"
box=$(window '^Box Caller$')
xdotool windowmove --sync "$box" 310 0
settle
click "$box" 100 35
heard "Select a box color"
room "$second: purple please!"
settle
click "$box" 100 210
settle
picture boxes "$main" "$box"
close "$box"
gone '^Box Caller$'

# Word 2: a player who does not answer; the countdown closes the turn.
click "$main" "${draw[@]}"
heard "come on down" 6
settle
click "$main" "${big[@]}"
heard "your word is" 3
settle
click "$main" "${countdown[@]}"
heard "* CLOSED *"
asked=$(window '^Countdown$')
settle 2
overlapping countdown "$main" "$asked"
keys "$asked" key Escape
settle 2

# The Scores window, from the File menu, with the words played so far.
keys "$main" key alt+f s
scores=$(window '^Scores$')
xdotool windowmove --sync "$scores" 0 0
settle 2
picture scores "$scores"
close "$scores"
gone '^Scores$'
main=$(window '^Orvella V')

# The editors and the settings, from the menus.
keys "$main" key alt+e Return
editor=$(window '^Macro Editor$')
settle
xdotool mousemove --window "$editor" 86 53 # button 2 shows its name above
settle
picture macros "$editor"
close "$editor"
gone '^Macro Editor$'
main=$(window '^Orvella V')
keys "$main" key alt+e Down Return
subs=$(window '^Macro Substitutions$')
settle
picture substitutions "$subs"
close "$subs"
gone '^Macro Substitutions$'
main=$(window '^Orvella V')
keys "$main" key alt+o Down Down Down Return
set=$(window '^Settings$')
settle
picture settings "$set"
close "$set"
gone '^Settings$'
close "$(window '^Orvella V')"
echo "The room heard:"
sed -n '/^Ann Lee: /,$p' "$tmp/room.log" | head -60

# The room's web page in a phone-sized headless Chromium, and its overlay at 1920x1080.
if wants web-room || wants overlay; then
  /usr/bin/python3 scripts/web_screenshot.py "$tmp/usr/bin/orvella-room"
fi
