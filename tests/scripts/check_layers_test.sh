#!/usr/bin/env bash
# The layer check must name the file, the include and the rule for each kind
# of break. Works on a copy of the tree, and only counts a line the copy did
# not already report, so it holds while the tree still has breaks of its own.
set -euo pipefail
root=$(cd "${1:-$(dirname "$0")/../..}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$root"/{src,tests,bench,cmake,ARCHITECTURE.md,CMakeLists.txt} "$work"
check() { bash "$root/scripts/check-layers.sh" "$work" 2>/dev/null; }
# The first .cpp of a folder that does not include it already.
first() { find "$work/src/$1" -name '*.cpp' | sort | xargs grep -LF "$2" | head -1 | sed "s#^$work/##"; }
before=$(check || true)

failed=0
expect() {  # file, include, rule[, the line when another file shows the break]
  local file=$1 line=${4:-"$1: #include $2: $3"} out status=0
  cp "$work/$file" "$work/$file.orig"
  printf '#include %s\n' "$2" >>"$work/$file"
  out=$(check) || status=$?
  mv "$work/$file.orig" "$work/$file"
  if [ "$status" -ne 1 ] || ! grep -qxF "$line" <<<"$out" || grep -qxF "$line" <<<"$before"; then
    echo "FAIL: exit $status, expected the new line: $line"; failed=1
  fi
}
expect "$(first files game/gamestate.h)" '"game/gamestate.h"' 'files may include base only'
expect "$(first room irc/ircclient.h)" '"irc/ircclient.h"' 'room may include base, files, chat, transport, chatclient only'
expect "$(first macros app/frmmain.h)" '"app/frmmain.h"' 'macros may include base, files, chat, game only'
expect "$(first base QWidget)" '<QWidget>' 'orvella_base has Qt Core only, not Widgets'
# A fixture may include any folder, but a test that includes it must link that folder's library.
expect tests/windows/windows_test.cpp '"support/mainwindowfixture.h"' '' \
  'tests/support/mainwindowfixture.h: #include "app/frmmain.h": windows_tests does not link orvella_app, as included by tests/windows/windows_test.cpp'

# A library that links other folders than its row names.
sed -i 's/^  DEPS base$/  DEPS base chat/' "$work/src/files/CMakeLists.txt"
out=$(check) && status=0 || status=$?
line='src/files/CMakeLists.txt: orvella_files links base, chat; its row in ARCHITECTURE.md names base'
[ "$status" -eq 1 ] && grep -qxF "$line" <<<"$out" || { echo "FAIL: exit $status, expected: $line"; failed=1; }
cp "$root/src/files/CMakeLists.txt" "$work/src/files/CMakeLists.txt"

# A test that links a library above the folder it tests.
sed -i 's/LINKS orvella_windows/LINKS orvella_app/' "$work/tests/windows/CMakeLists.txt"
out=$(check) && status=0 || status=$?
line='tests/windows/CMakeLists.txt: windows_tests links orvella_app; tests/windows may link the libraries of base, files, chat, game, session, windows only'
[ "$status" -eq 1 ] && grep -qxF "$line" <<<"$out" || { echo "FAIL: exit $status, expected: $line"; failed=1; }
cp "$root/tests/windows/CMakeLists.txt" "$work/tests/windows/CMakeLists.txt"

# A table the check cannot read stops it rather than passing everything.
sed -i 's/^| `base` \(.*\)| (none) |$/| `base` \1| nothing |/' "$work/ARCHITECTURE.md"
status=0; check >/dev/null || status=$?
[ "$status" -eq 2 ] || { echo "FAIL: a malformed table exited $status, not 2"; failed=1; }
exit "$failed"
