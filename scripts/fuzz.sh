#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time.
#   scripts/fuzz.sh [seconds-per-target]    (default 20)
set -euo pipefail
cd "$(dirname "$0")/.."
# Let every checkout share the compiler cache: paths are hashed relative to the tree.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(pwd)}" CCACHE_NOHASHDIR=1
seconds=${1:-20}

scripts/setup.sh fuzz
CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DKORVANE_FUZZ=ON -DKORVANE_TESTS=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build-fuzz -j "$(nproc)"

for target in build-fuzz/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  # A fresh corpus and a fixed seed: a run explores the same inputs as any other run of the same
  # length, so a target that passed for longer here passes in CI too.
  corpus=build-fuzz/corpus/$name
  rm -rf "$corpus"
  mkdir -p "$corpus"
  seeds=()
  [ -d "fuzz/seeds/$name" ] && seeds=("fuzz/seeds/$name")
  echo "== $name for ${seconds}s"
  "$target" -seed=1 -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
    "$corpus" "${seeds[@]}" 2>&1 | tail -n 12
  test "${PIPESTATUS[0]}" -eq 0
done
