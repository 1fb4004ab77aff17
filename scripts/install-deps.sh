#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and running need,
# only when some are missing. With --docs also what remaking the guide's
# pictures needs (scripts/screenshots.sh); with --package what building and
# checking the Debian packages needs (scripts/package.sh).
set -euo pipefail
packages=(cmake make g++ pkg-config qt6-base-dev libqt6sql6-sqlite libgtest-dev libgmock-dev libbenchmark-dev python3
          xvfb xauth fonts-dejavu-core desktop-file-utils ngircd inspircd openssl
          libqrencode-dev libicu-dev nginx-light caddy chromium chromium-driver python3-selenium xdotool)
for option in "$@"; do
  case $option in
    --docs) packages+=(x11-apps netpbm optipng) ;;
    --package) packages+=(build-essential debhelper dpkg-dev fakeroot lintian appstream man-db) ;;
    *) echo "usage: $0 [--docs] [--package]" >&2; exit 2 ;;
  esac
done
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -qq
  # The IRC servers are only for the tests, which start their own copies on
  # free ports: their packaged services must not start and hold port 6667.
  policy=/usr/sbin/policy-rc.d
  own_policy=0
  if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\nexit 101\n' | "${sudo_cmd[@]}" tee "$policy" >/dev/null
    "${sudo_cmd[@]}" chmod +x "$policy"
    own_policy=1
  fi
  status=0
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" || status=$?
  [ "$own_policy" -eq 0 ] || "${sudo_cmd[@]}" rm -f "$policy"
  [ "$status" -eq 0 ] || exit "$status"
fi
for service in ngircd inspircd; do
  if [ -d /run/systemd/system ] && systemctl is-enabled --quiet "$service" 2>/dev/null; then
    "${sudo_cmd[@]}" systemctl disable --now "$service" >/dev/null 2>&1 || true
  fi
done
