#!/usr/bin/env bash
# The main job: builds korvane-cli, serves the bundled sample site with nginx on 127.0.0.1,
# captures it into a web, and prints where the offline copy is.
#   scripts/demo.sh [FOLDER]     (default: build/demo/sample-web)
set -euo pipefail
cd "$(dirname "$0")/.."
# Let every checkout share the compiler cache: paths are hashed relative to the tree.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(pwd)}" CCACHE_NOHASHDIR=1
top=$(pwd)
web=${1:-$top/build/demo/sample-web}

scripts/setup.sh
cmake -S . -B build -G Ninja > /dev/null
cmake --build build -j "$(nproc)" --target korvane-cli

state=$(mktemp -d)
trap 'kill "$server" 2>/dev/null || true; rm -rf "$state"' EXIT
scripts/serve_sample_site.sh "$state/nginx" > "$state/port" 2> "$state/server.log" &
server=$!
for _ in $(seq 50); do
  port=$(head -n 1 "$state/port" 2>/dev/null || true)
  [ -n "$port" ] && curl -s -o /dev/null "http://127.0.0.1:$port/" && break
  sleep 0.1
done
[ -n "${port:-}" ] || { cat "$state/server.log" >&2; exit 1; }

rm -rf "$web"
build/apps/korvane-cli/korvane-cli --work-path "$top/build/demo/work" \
  capture "http://127.0.0.1:$port/" "$web" --title "Korvane sample site"
echo
echo "The offline copy is in $web; open $web/_Home.htm to read it."
echo "Its log page is $web/LogFile.htm; korvane-cli info $web/Local.Web shows its figures."
