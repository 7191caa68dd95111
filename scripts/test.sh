#!/usr/bin/env bash
# Installs what is needed, configures, builds and runs the whole test suite.
#   scripts/test.sh                 the normal build, in build/
#   scripts/test.sh --sanitize      AddressSanitizer + UndefinedBehaviorSanitizer, in build-asan/
set -euo pipefail
cd "$(dirname "$0")/.."
# Let every checkout share the compiler cache: paths are hashed relative to the tree.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(pwd)}" CCACHE_NOHASHDIR=1

build_dir=build
cmake_args=()
if [ "${1:-}" = "--sanitize" ]; then
  build_dir=build-asan
  cmake_args+=(-DKORVANE_SANITIZE=address,undefined -DCMAKE_BUILD_TYPE=Debug)
fi

scripts/setup.sh
jobs=$(nproc)
cmake -S . -B "$build_dir" -G Ninja "${cmake_args[@]}"
cmake --build "$build_dir" -j "$jobs"
ctest --test-dir "$build_dir" --output-on-failure -j "$jobs"
