#!/usr/bin/env bash
# Fails when a file of a lower layer includes a file of a higher one: core
# (Qt Core only) must not include the socket layer or the windows, link must
# not include the windows. A source file's layer is the CMake target it is
# built into; a header shares the layer of its .cpp, and a header without one
# takes the lowest layer built in its folder.
set -euo pipefail
cd "$(dirname "$0")/../src"

declare -A rank=([orvella_core]=0 [orvella_link]=1 [orvella_room]=1 [orvella-room]=1
                 [orvella_irc]=1 [orvella-irc]=1 [orvella_chatclient]=1 [orvella-demo]=2
                 [orvella_ui]=2 [orvella]=2)
names=(core link ui)
declare -A layer folderLow

# Every "target ... file.cpp" pair from the CMake lists, paths relative to src/.
while read -r target file; do
    r=${rank[$target]:-}
    [ -n "$r" ] || { echo "check-layers: unknown target $target for $file" >&2; exit 2; }
    layer[$file]=$r
    dir=${file%/*}
    if [ -z "${folderLow[$dir]:-}" ] || [ "$r" -lt "${folderLow[$dir]}" ]; then
        folderLow[$dir]=$r
    fi
done < <(for list in CMakeLists.txt */CMakeLists.txt; do
    dir=$(dirname "$list")
    awk -v dir="$dir" '
        /^(target_sources|add_library|add_executable)\(/ {
            target = $1; sub(/^[a-z_]+\(/, "", target)
        }
        target != "" {
            for (i = 1; i <= NF; i++) {
                word = $i; gsub(/[()]/, "", word)
                if (word ~ /\.cpp$/) print target, (dir == "." ? word : dir "/" word)
            }
        }
        /\)/ { target = "" }' "$list"
done)

layerOf() {
    local file=$1
    if [ -n "${layer[$file]:-}" ]; then
        echo "${layer[$file]}"
    elif [ -n "${layer[${file%.h}.cpp]:-}" ]; then
        echo "${layer[${file%.h}.cpp]}"
    else
        echo "${folderLow[${file%/*}]:-}"
    fi
}

[ "${#layer[@]}" -gt 0 ] || { echo "check-layers: no sources found in the CMake lists" >&2; exit 2; }

status=0
while IFS= read -r file; do
    own=$(layerOf "$file")
    [ -n "$own" ] || continue
    while IFS= read -r included; do
        [ -f "$included" ] || continue
        other=$(layerOf "$included")
        if [ -n "$other" ] && [ "$other" -gt "$own" ]; then
            echo "src/$file (${names[$own]}) includes \"$included\" (${names[$other]})"
            status=1
        fi
    done < <(sed -nE 's/^\s*#\s*include\s+"([^"]+)".*/\1/p' "$file")
done < <(find . -name '*.cpp' -o -name '*.h' | sed 's#^\./##' | sort)

if [ "$status" -ne 0 ]; then
    echo "check-layers: a lower layer includes a higher one" >&2
fi
exit "$status"
