#!/usr/bin/env bash
# Installs the Debian packages that building, packaging, testing, benchmarking and fuzzing need.
# Quiet when everything is present; runs apt-get update once before the first install.
set -euo pipefail

packages=(
  cmake ninja-build g++ make pkg-config
  qt6-base-dev libgl-dev
  libpng-dev zlib1g-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libmuparser-dev
  libmpfr-dev
  clang libclang-rt-14-dev
  imagemagick netpbm
  slurm-wlm munge parallel
  xvfb openbox xdotool x11-utils qt6-qpa-plugins
  librsvg2-bin dpkg-dev file lintian desktop-file-utils appstream man-db
)

jpeg_pkg=libjpeg62-turbo-dev
if ! apt-cache show "$jpeg_pkg" >/dev/null 2>&1 && ! dpkg-query -W -f='${Status}' "$jpeg_pkg" 2>/dev/null | grep -q "ok installed"; then
  jpeg_pkg=libjpeg-dev
fi
packages+=("$jpeg_pkg")

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
    missing+=("$p")
  fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages: ${missing[*]}" >&2
  echo "Run: sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
  exit 1
fi

echo "bootstrap: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
