#!/usr/bin/env bash
# Gives Orvella a first start that can play: when its data folder holds no
# orvella.ini, a copy of the starter macros (unless macros.txt is there) and
# the settings run.sh gives (registration character "$", the templates, the
# calldown message, all ten boxes). A settings file that exists is never
# touched.
#   bash scripts/first-settings.sh [DATA-FOLDER [STARTER-MACROS]]
# The folder is Orvella's own by default ($XDG_DATA_HOME/orvella, or
# ~/.local/share/orvella); the macros are the project's starter macros.
# The program writes the file (orvella --write-settings), so it holds the
# program's own defaults in the program's own form; ORVELLA_PROGRAM names
# it, by default the one run.sh builds in this source tree.
set -uo pipefail
here=$(dirname "$(readlink -f "$0")")
folder=${1:-${XDG_DATA_HOME:-$HOME/.local/share}/orvella}
starter=${2:-$here/../data/macros/starter.txt}
orvella=${ORVELLA_PROGRAM:-$here/../build/release/src/orvella}

[ ! -e "$folder/orvella.ini" ] || exit 0
mkdir -p "$folder" || exit 1
# Macros kept from an earlier start stay; they are the host's.
if [ ! -e "$folder/macros.txt" ]; then
  cp "$starter" "$folder/macros.txt" && chmod u+w "$folder/macros.txt" || exit 1
fi
# Written in a folder of its own, so the file is new and gets the usual mode.
fresh=$(mktemp -d "$folder/orvella.ini.XXXXXX") || exit 1
# No-clobber: a copy of Orvella started meanwhile may have written its own.
"$orvella" --write-settings "$fresh/orvella.ini" "$(realpath -m "$folder/macros.txt")" \
  && mv -n "$fresh/orvella.ini" "$folder/orvella.ini"
status=$?
rm -rf "$fresh"
exit $status
