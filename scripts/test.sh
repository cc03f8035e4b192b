#!/usr/bin/env bash
# Sets up, builds and runs every test: the program's build (GoogleTest and the window tests,
# offscreen) and the clang build with the fuzz targets' smoke runs.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
ctest --test-dir build --output-on-failure -j2
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DZV_FUZZ=ON >/dev/null
cmake --build build-fuzz -j"$(nproc)"
if [ -n "$(ls build-fuzz/fuzz/fuzz_* 2>/dev/null)" ]; then
  ctest --test-dir build-fuzz --output-on-failure -j2
fi
