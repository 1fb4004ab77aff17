#!/usr/bin/env bash
# Checks the Debian packages scripts/package.sh built: lintian and AppStream
# find nothing to say, the files the metadata and the menu entry name are in
# the packages, the manual pages render cleanly and cover every option, and
# the unpacked programs run: the room opens, every example of the pages
# runs as printed, the first-run step writes the starter settings once and
# never again.
#   bash tests/scripts/package_test.sh DEB-FOLDER
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
debs=$(realpath "$1")
fail() { echo "package test: $*" >&2; exit 1; }

version=$(dpkg-parsechangelog -l "$root/debian/changelog" -S Version)
project=$(sed -n 's/^project(orvella VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
[ "$version" = "$project" ] || fail "debian/changelog says $version, CMakeLists.txt $project"

# Errors, warnings and overrides without a comment fail; lintian prints why.
lintian --fail-on error,warning "$debs/orvella.changes" \
  || fail "lintian found faults"

tmp=$(mktemp -d)
roompid=
trap '[ -z "$roompid" ] || kill "$roompid"; rm -rf "$tmp"' EXIT
r=$tmp/root
arch=$(dpkg --print-architecture)
for p in orvella orvella-clients; do
  dpkg-deb -x "$debs/${p}_${version}_$arch.deb" "$r"
done
share=$r/usr/share
# The store of results opens only with Qt's SQLite driver, a package of its own.
dpkg-deb -f "$debs/orvella_${version}_$arch.deb" Depends | grep -qw libqt6sql6-sqlite \
  || fail "orvella does not depend on Qt's SQLite driver"

# The software centre's entry and what it names.
metainfo=$(echo "$share"/metainfo/*.metainfo.xml)
appstreamcli validate --no-net --pedantic "$metainfo" >"$tmp/said" 2>&1 \
  || { cat "$tmp/said"; fail "appstreamcli rejects $metainfo"; }
desktop=$(sed -n 's|.*<launchable type="desktop-id">\(.*\)</launchable>.*|\1|p' "$metainfo")
entry=$share/applications/$desktop
[ -f "$entry" ] || fail "the metadata's launchable $desktop is not installed"
desktop-file-validate "$entry" || fail "$entry is invalid"
binary=$(sed -n 's|.*<binary>\(.*\)</binary>.*|\1|p' "$metainfo")
[ -x "$r/usr/bin/$binary" ] || fail "the metadata's binary $binary is not installed"
exec_path=$(sed -n 's/^Exec="\{0,1\}\([^" ]*\).*/\1/p' "$entry")
words=$(sed -n 's/^Path=//p' "$entry")
icon=$(sed -n 's/^Icon=//p' "$entry")
[ -x "$r$exec_path" ] || fail "the menu entry starts $exec_path, which is not installed"
[ -f "$r$words/animals.txt" ] || fail "the menu entry starts in $words, which holds no word lists"
[ -f "$share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no icon $icon"

# Each page renders without a warning and covers every option of --help;
# each program tells the package's version, without a display.
nodisplay=(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=)
for page in orvella orvella-room orvella-irc; do
  man_file=$share/man/man6/$page.6.gz
  [ -f "$man_file" ] || fail "no manual page $page"
  warnings=$(MANWIDTH=80 man --warnings -l "$man_file" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man warns about $page: $warnings"
  said=$("${nodisplay[@]}" "$r/usr/bin/$page" --version)
  [ "$said" = "$page $version" ] || fail "$page --version says '$said', the package is $version"
  text=$(zcat "$man_file" | sed 's/\\-/-/g')
  help=$("${nodisplay[@]}" "$r/usr/bin/$page" --help) || fail "$page --help failed"
  for option in $(grep -o -- '--[a-z][a-z-]*' <<<"$help" | sort -u); do
    grep -q -- "^\.B.*$option\b" <<<"$text" || fail "the manual page of $page lacks $option"
  done
done

# The unpacked room opens, its players knowing the word lists installed
# beside it, and closes on /quit.
printf '/quit\n' | XDG_RUNTIME_DIR=$tmp "$r/usr/bin/orvella-room" --players 2 --seed 1 \
  >"$tmp/room" 2>&1 || { cat "$tmp/room"; fail "orvella-room failed"; }
grep -q "^Room open at $tmp/wadapi.sock" "$tmp/room" || { cat "$tmp/room"; fail "the room did not open"; }
grep -qx "The scripted players know the words of $r$words." "$tmp/room" \
  || { cat "$tmp/room"; fail "the room's players do not know the installed word lists"; }

# Every example of the pages runs as man prints it, through a shell, with
# the unpacked programs and no display, in a network of its own (an
# unconnected loopback) and a folder with the files the examples name. A
# room ends at the /quit it is given, a chat client once it listens, which
# it does only when it took every option; --join finds a room open.
ex=$tmp/examples
mkdir -p "$ex/bin" "$ex/home" "$ex/here"
cat >"$ex/run" <<'EOF'
#!/bin/bash
exec {out}< <(exec env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM= \
  "$UNPACKED/${0##*/}" "$@" 2>&1 < <(printf '/quit\n'))
pid=$!
while IFS= read -r -u "$out" line; do
  printf '%s\n' "$line"
  if [[ $line == "Listening for Orvella at "* ]]; then kill "$pid"; exit 0; fi
done
wait "$pid"
EOF
chmod +x "$ex/run"
for program in orvella orvella-room orvella-irc; do ln -s ../run "$ex/bin/$program"; done
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 1 -subj /CN=localhost \
  -keyout "$ex/here/key.pem" -out "$ex/here/cert.pem" 2>/dev/null
cp "$ex/here/cert.pem" "$ex/here/network-ca.pem"
printf 'KIWI\r\n' >"$ex/here/my-words.txt"
ns=(unshare --net)
[ "$(id -u)" = 0 ] || ns+=(--map-root-user)
pages=(orvella orvella-room orvella-irc)
if ! "${ns[@]}" true 2>/dev/null; then
  echo "package test: no network namespace (unshare --net) here; the examples are not run" >&2
  pages=()
fi
examples() {  # each example of a page as man shows it, ended by a NUL
  zcat "$1" | sed -e 's/^\.EX$/&\n\\\&@@@</' -e 's/^\.EE$/\\\&@@@>\n&/' |
    LC_ALL=C.UTF-8 MANWIDTH=1000 man -l - 2>/dev/null |
    awk '/@@@>$/ {on = 0; printf "%s%c", block, 0; block = ""} on {block = block $0 "\n"} /@@@<$/ {on = 1}'
}
for page in "${pages[@]}"; do
  count=0
  while IFS= read -r -d '' example; do
    run=$(mktemp -d -p "$ex")
    room=
    if [[ $example == *--join* ]]; then
      exec {room}< <(XDG_RUNTIME_DIR=$run exec "$r/usr/bin/orvella-room" --stay </dev/null 2>&1)
      roompid=$!
      grep -q -m1 '^People join' <&"$room" || fail "no room for the example to join"
    fi
    (cd "$ex/here" && env -u ORVELLA_IRC_PASSWORD -u ORVELLA_IRC_SASL_USER -u ORVELLA_IRC_SASL_PASSWORD \
      HOME="$ex/home" XDG_RUNTIME_DIR="$run" UNPACKED="$r/usr/bin" PATH="$ex/bin:$PATH" \
      "${ns[@]}" sh -c "$example"$'\n''s=$?; [ -z "$!" ] || { wait "$!"; s=$?; }; exit $s' \
      </dev/null >"$ex/said" 2>&1) || { cat "$ex/said"; fail "the example of $page does not run: $example"; }
    [ -z "$room" ] || { kill "$roompid"; roompid=; exec {room}<&-; }
    count=$((count + 1))
  done < <(examples "$share/man/man6/$page.6.gz")
  source=$(zcat "$share/man/man6/$page.6.gz")
  [ "$count" -gt 0 ] && [ "$count" = "$(grep -c '^\.EX$' <<<"$source")" ] \
    && [ "$count" -ge "$(grep -c 'Example:$' <<<"$source")" ] \
    || fail "$count examples of $page were found, not one for each"
done

# The first-run step, with a stand-in for the window that says how it was
# started (the settings still written by the real program): starter
# settings on the first start, the host's after that.
start=$r$exec_path
mv "$r/usr/bin/orvella" "$r/usr/bin/orvella.real"
printf '#!/bin/sh\n[ "$1" != --write-settings ] || exec "$0.real" "$@"\necho "orvella $*"\n' \
  >"$r/usr/bin/orvella"
chmod +x "$r/usr/bin/orvella"
home=$tmp/home
folder=$home/data/orvella
[ "$(HOME=$home XDG_DATA_HOME=$home/data "$start" -x)" = "orvella -x" ] || fail "orvella-start did not start orvella"
cmp -s "$share/orvella/macros/starter.txt" "$folder/macros.txt" || fail "no starter macros in $folder"
"$r/usr/bin/orvella.real" --write-settings "$tmp/expected.ini" "$folder/macros.txt"
cmp "$tmp/expected.ini" "$folder/orvella.ini" || fail "orvella-start wrote other settings than run.sh"
echo "host's own" >"$folder/orvella.ini"
echo "host's macros" >"$folder/macros.txt"
HOME=$home XDG_DATA_HOME=$home/data "$start" >/dev/null
[ "$(cat "$folder/orvella.ini")" = "host's own" ] || fail "orvella-start overwrote the host's settings"
# Settings gone but the host's macros kept: new settings name them, unchanged.
rm "$folder/orvella.ini"
HOME=$home XDG_DATA_HOME=$home/data "$start" >/dev/null
[ "$(cat "$folder/macros.txt")" = "host's macros" ] || fail "orvella-start replaced the host's macros"
grep -q "^MacroFile=$folder/macros.txt" "$folder/orvella.ini" || fail "the new settings do not name the macros"
# An empty XDG_DATA_HOME means the default, as Qt has it.
HOME=$home XDG_DATA_HOME='' "$start" >/dev/null
[ -f "$home/.local/share/orvella/orvella.ini" ] || fail "orvella-start missed ~/.local/share"
# A folder that cannot be made still starts the window, with the reason.
touch "$home/file"
said=$(HOME=$home XDG_DATA_HOME=$home/file "$start" 2>"$tmp/err")
[ "$said" = "orvella " ] || fail "orvella-start did not start orvella past a failure"
grep -q "could not write the starter settings" "$tmp/err" || fail "orvella-start hid its failure"
echo "package test: passed"
