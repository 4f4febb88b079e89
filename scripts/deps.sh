#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the player need.
# Idempotent and quiet when everything is already there.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
  libcdio-dev libiso9660-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad gstreamer1.0-x
  gstreamer1.0-plugins-ugly gstreamer1.0-libav gstreamer1.0-tools
  libgtest-dev libgmock-dev libbenchmark-dev
  ffmpeg vcdimager genisoimage xvfb x11-utils x11-apps imagemagick xdotool
  dbus desktop-file-utils appstream
)
if [[ "${1:-}" == "--with-clang" ]]; then
  packages+=(clang libclang-rt-14-dev)
fi
# The players bench/run compares against, and a profiler; never for the tests.
if [[ "${1:-}" == "--with-peers" ]]; then
  packages+=(mpv vlc linux-perf valgrind)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=""
[[ $(id -u) -ne 0 ]] && sudo="sudo"
echo "Installing: ${missing[*]}" >&2
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
