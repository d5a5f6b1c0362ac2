#!/usr/bin/env bash
# Installs every Debian package that building, running, testing and benchmarking the project needs.
# Safe to run again: packages already present are skipped, and apt is not touched when none is missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config git
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libcurl4-openssl-dev libssl-dev openssl
  duktape-dev libicu-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  nlohmann-json3-dev
  libcpp-httplib-dev libespeak-ng-dev espeak-ng-data libmp3lame-dev lame espeak-ng libmpg123-dev mpg123 wrk
  xvfb xdotool xclip x11-utils fonts-wqy-microhei xdg-utils libxcb-damage0-dev
  tinyproxy python3 perl libencode-perl iproute2 util-linux curl
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -q
  "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
