#!/bin/sh
# Installs the Debian packages Orvane needs to build, test and run.
# Quick when everything is already present: dpkg is asked first, apt only when needed.
set -eu

PACKAGES="build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl1-mesa-dev
libavformat-dev libavcodec-dev libswresample-dev libavutil-dev
libtag1-dev libicu-dev rapidjson-dev libpulse-dev musepack-tools
libgtest-dev libgmock-dev libbenchmark-dev
pulseaudio pulseaudio-utils xvfb xauth x11-utils xdotool dbus dbus-x11 playerctl
desktop-file-utils
ffmpeg lame sox imagemagick fonts-dejavu-core fonts-noto-color-emoji"

missing=""
for p in $PACKAGES; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    case "$status" in
        *"install ok installed"*) ;;
        *) missing="$missing $p" ;;
    esac
done

[ -z "$missing" ] && exit 0

echo "Installing Debian packages:$missing"
if [ "$(id -u)" -eq 0 ]; then
    SUDO=""
else
    SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq --no-install-recommends $missing
