#!/usr/bin/env bash
# Writes a first settings file for Orvella, in the form the program writes
# it (Windows-1252, CR LF): the usual defaults, the Fast speed, all ten boxes
# in the default set, and the macro file named.
#   bash scripts/write-settings.sh SETTINGS-FILE MACRO-FILE
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 SETTINGS-FILE MACRO-FILE" >&2; exit 2; }
out=$1
macros=$(realpath -m "$2")
lines=(
  "[Settings]" "Delay= 1 " "Auto= 0 " "Left= 0 " "Top= 0 " "OnTop=False"
  "BoxLeft= 0 " "BoxTop= 0 " "RegChar=\$" "Confirm=True"
  "Sorry=Sorry %player%.  %word% is not a match" "WTG=WTG %player%! %word% is a match"
  "CalldownMSG=It's your turn to play" "Calldown=False" "MacroFile=$macros" ""
  "[Boxes]"
)
for i in 0 1 2 3 4 5 6 7 8 9; do lines+=(" $i =True"); done
lines+=("")
# The program reads its files as Windows-1252; a path that page cannot
# spell would name a file that is not there.
if ! printf '%s\r\n' "${lines[@]}" | iconv -f UTF-8 -t WINDOWS-1252 > "$out.new"; then
  rm -f "$out.new"
  echo "The macro file's path cannot be written in Windows-1252: $macros" >&2
  exit 1
fi
mv "$out.new" "$out"
