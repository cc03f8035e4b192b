#!/usr/bin/env bash
# Sets up, builds and starts the program. Without the acquisition driver it runs on the
# simulated acquisition box; without a display it runs under a virtual X server.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh zarvik zarvik_simdaq zarvik-tool # the tests and benchmarks: scripts/test.sh
scripts/first-run.sh
args=("$@")
if ! ldconfig -p 2>/dev/null | grep -q 'libnidaqmx\.so'; then
  args+=(SIMULATE)
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting under Xvfb (xvfb-run)."
  exec xvfb-run -a build/src/zarvik "${args[@]}"
fi
exec build/src/zarvik "${args[@]}"
