#!/usr/bin/env bash
# Runs an operator's series on the simulator in real windows on a virtual X server and saves
# the measurement window and the storage table in both languages under docs/, and the
# calibration dialog during a calibration of tester 1 under docs/help/, where the help shows it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh test_e2e_meas_window test_calib_dlg test_shell zarvik_simdaq
out="$(pwd)/docs"
sandbox="$(mktemp -d)"
trap 'rm -rf "$sandbox"' EXIT
mkdir -p "$sandbox/runtime" && chmod 700 "$sandbox/runtime"
HOME="$sandbox" XDG_CONFIG_HOME="$sandbox" TMPDIR="$sandbox" XDG_RUNTIME_DIR="$sandbox/runtime" \
  QT_QPA_PLATFORM=xcb ZV_TOUR_DIR="$out" \
  xvfb-run -a -s "-screen 0 1600x1000x24" build/tests/e2e/test_e2e_meas_window \
  operatorSeriesOnTheSecondTester
HOME="$sandbox" XDG_CONFIG_HOME="$sandbox" TMPDIR="$sandbox" XDG_RUNTIME_DIR="$sandbox/runtime" \
  QT_QPA_PLATFORM=xcb ZV_TOUR_DIR="$out/help" \
  xvfb-run -a -s "-screen 0 1600x1000x24" build/tests/test_calib_dlg pictures
HOME="$sandbox" XDG_CONFIG_HOME="$sandbox" TMPDIR="$sandbox" XDG_RUNTIME_DIR="$sandbox/runtime" \
  QT_QPA_PLATFORM=xcb ZV_TOUR_DIR="$out" \
  xvfb-run -a -s "-screen 0 1600x1000x24" build/tests/test_shell startScreenDrawsItsPictureAndSaysSimulator
ls "$out"/start-screen.png "$out"/*-en.png "$out"/*-de.png "$out"/help/*.png
