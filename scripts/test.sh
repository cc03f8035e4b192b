#!/usr/bin/env bash
# Sets up, builds and runs every test: the program's build (GoogleTest and the window tests,
# offscreen), the Debian package installed into an empty root and started there, then the
# clang build with AddressSanitizer and UndefinedBehaviorSanitizer, which
# runs the tests of the logic layers, of zarvik-tool and the crash tests, and the fuzz targets'
# smoke runs, each stopping at the first error it finds, and last the Windows build (MinGW-w64)
# of the logic layers, zarvik-tool and the simulator library, whose tests run under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
ctest --test-dir build --output-on-failure -j2
scripts/package-test.sh build
start=$(date +%s)
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DZV_FUZZ=ON >/dev/null
cmake --build build-fuzz -j"$(nproc)"
ctest --test-dir build-fuzz --output-on-failure -j2
echo "sanitizer build and tests: $(($(date +%s) - start)) s"
start=$(date +%s)
cmake -S . -B build-mingw -G Ninja -DCMAKE_BUILD_TYPE=Release \
  --toolchain cmake/mingw-w64-x86_64.cmake >/dev/null
cmake --build build-mingw -j2
ctest --test-dir build-mingw --output-on-failure -j2
echo "windows build and tests under wine: $(($(date +%s) - start)) s"
