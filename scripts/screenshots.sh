#!/usr/bin/env bash
# Writes a PNG of every window and dialog of the desktop program, on the bundled sample site
# captured through the window, under a virtual X server.
#   scripts/screenshots.sh [FOLDER]     (default: build/screenshots)
set -euo pipefail
cd "$(dirname "$0")/.."
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(pwd)}" CCACHE_NOHASHDIR=1
out=${1:-$(pwd)/build/screenshots}

scripts/setup.sh screenshots
cmake -S . -B build -G Ninja > /dev/null
cmake --build build -j "$(nproc)" --target korvane_screenshots
mkdir -p "$out"
# Settings and window geometry of the run stay in a folder of their own.
config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
XDG_CONFIG_HOME=$config XDG_RUNTIME_DIR=$config KORVANE_DATA_DIR=$(pwd)/data \
  xvfb-run -a -s "-screen 0 1280x1024x24" build/apps/screenshots/korvane_screenshots "$out"
