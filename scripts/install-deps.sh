#!/usr/bin/env bash
# Installs the Debian packages that building and testing Verosa need.
# Idempotent: only missing packages are installed.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config python3
  qt6-base-dev
  libavformat-dev libavcodec-dev libavutil-dev libswresample-dev libswscale-dev libmp3lame-dev libsdl2-dev
  libgtest-dev libbenchmark-dev
  ffmpeg mpeg2dec lsdvd dvdauthor mpv imagemagick fonts-dejavu-core libjpeg62-turbo-dev xvfb
  genisoimage udftools p7zip-full
  libburn-dev
  libdvdnav-dev libdvdread-dev
  libcdio-dev
  libcdio-paranoia-dev libcdio-utils
  scdoc
  desktop-file-utils appstream shared-mime-info xdg-utils libglib2.0-bin man-db dpkg-dev bash-completion
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "Installing: ${missing[*]}" >&2
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
