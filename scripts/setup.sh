#!/usr/bin/env bash
# Installs what the build needs from Debian's packages, only when something is missing.
set -euo pipefail
packages=(build-essential cmake pkg-config libopencv-core-dev libopencv-imgproc-dev
          libopencv-imgcodecs-dev libexiv2-dev libgtest-dev googletest libcli11-dev
          nlohmann-json3-dev)
if [ "${LEAFMARGIN_EXTRA_PACKAGES:-}" != "" ]; then
  read -r -a extra <<<"$LEAFMARGIN_EXTRA_PACKAGES"
  packages+=("${extra[@]}")
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
fi
