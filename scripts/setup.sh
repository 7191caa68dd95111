#!/usr/bin/env bash
# Installs the Debian packages that building and testing Korvane need. Safe to run again: it
# only calls apt-get when something is missing. Extra package groups: "bench", "fuzz",
# "screenshots" (a virtual X server for looking at the windows), "format" and "tidy" (clang-format
# and clang-tidy 14, for scripts/check_format.sh and scripts/tidy.sh). Qt Multimedia plays through
# GStreamer: its base and good plugins read AVI, WAV, MP4, WebM, Ogg, FLAC and Opus, its libav
# plugin decodes their codecs. Qt's image format plugins read WebP; libavif reads AVIF.
set -euo pipefail

packages=(g++ cmake ninja-build ccache python3 libgtest-dev libgmock-dev libsimpleini-dev libasio-dev libcli11-dev libssl-dev zlib1g-dev libbrotli-dev nginx openssl chromium
          qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libqt6svg6 fonts-dejavu-core
          qt6-multimedia-dev libqt6multimediawidgets6 qt6-image-formats-plugins libavif-dev pkg-config
          gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav)
for group in "$@"; do
  case "$group" in
    bench) packages+=(libbenchmark-dev python3.11-doc curl wget time python3) ;;
    fuzz) packages+=(clang libclang-rt-14-dev) ;;
    screenshots) packages+=(xvfb xauth) ;;
    format) packages+=(clang-format-14) ;;
    tidy) packages+=(clang-tidy-14) ;;
    *) echo "setup.sh: unknown group '$group'" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}"
fi
