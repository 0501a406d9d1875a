#!/usr/bin/env bash
# Installs the Debian packages the project needs, only when one is missing.
set -euo pipefail
packages=(
    build-essential cmake ninja-build pkg-config ccache
    qt6-base-dev libgl-dev libqt6svg6
    libavformat-dev libavcodec-dev libavfilter-dev libavutil-dev libswscale-dev libswresample-dev ffmpeg
    libjpeg62-turbo-dev libexif-dev libpng-dev libwebp-dev libjxl-dev libavif-dev libsdl2-dev nlohmann-json3-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    fonts-dejavu-core python3 dbus-daemon
    librsvg2-bin desktop-file-utils appstream man-db libglib2.0-bin
    xvfb xdotool imagemagick libimage-exiftool-perl mkvtoolnix
    dpkg-dev file lintian
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
    echo "Installing missing packages: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
