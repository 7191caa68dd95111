#!/usr/bin/env bash
# Builds and runs the micro-benchmarks (release build, in build-bench/).
#   scripts/bench.sh [benchmark arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."
# Let every checkout share the compiler cache: paths are hashed relative to the tree.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(pwd)}" CCACHE_NOHASHDIR=1

scripts/setup.sh bench
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORVANE_BENCH=ON \
  -DKORVANE_TESTS=OFF
cmake --build build-bench -j "$(nproc)"
for bench in build-bench/bench/bench_*; do
  [ -x "$bench" ] || continue
  echo "== $(basename "$bench")"
  "$bench" "$@"
done
