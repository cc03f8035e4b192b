#!/usr/bin/env bash
# Runs an operator's series on the simulator in real windows on a virtual X server and saves
# the measurement window, the storage table and the calibration dialog during a calibration of
# tester 1 in both languages under docs/help/, where the help shows them; the start screen and
# the help window under docs/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh test_meas_window test_calib_dlg test_shell test_help_window zarvik_simdaq
out="$(pwd)/docs"
sandbox="$(mktemp -d)"
trap 'rm -rf "$sandbox"' EXIT
mkdir -p "$sandbox/runtime" && chmod 700 "$sandbox/runtime"
HOME="$sandbox" XDG_CONFIG_HOME="$sandbox" TMPDIR="$sandbox" XDG_RUNTIME_DIR="$sandbox/runtime" \
  QT_QPA_PLATFORM=xcb ZV_TOUR_DIR="$out/help" \
  xvfb-run -a -s "-screen 0 1600x1000x24" build/tests/test_meas_window pictures
HOME="$sandbox" XDG_CONFIG_HOME="$sandbox" TMPDIR="$sandbox" XDG_RUNTIME_DIR="$sandbox/runtime" \
  QT_QPA_PLATFORM=xcb ZV_TOUR_DIR="$out/help" \
  xvfb-run -a -s "-screen 0 1600x1000x24" build/tests/test_calib_dlg pictures
HOME="$sandbox" XDG_CONFIG_HOME="$sandbox" TMPDIR="$sandbox" XDG_RUNTIME_DIR="$sandbox/runtime" \
  QT_QPA_PLATFORM=xcb ZV_TOUR_DIR="$out" \
  xvfb-run -a -s "-screen 0 1600x1000x24" build/tests/test_shell startScreenDrawsItsPictureAndSaysSimulator
HOME="$sandbox" XDG_CONFIG_HOME="$sandbox" TMPDIR="$sandbox" XDG_RUNTIME_DIR="$sandbox/runtime" \
  QT_QPA_PLATFORM=xcb ZV_TOUR_DIR="$out" \
  xvfb-run -a -s "-screen 0 1600x1000x24" build/tests/test_help_window pictures
ls "$out"/start-screen.png "$out"/help-window-*.png "$out"/help/*.png
