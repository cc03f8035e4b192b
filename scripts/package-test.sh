#!/usr/bin/env bash
# Builds the Debian package from the build tree, unpacks it into an empty root and starts the
# installed program there: offscreen, on the simulated acquisition box, as a user who never
# ran it. The installed program must find its simulator, help and first-run files relative to
# itself and prepare the user directory.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
(cd "$build" && cpack -G DEB >/dev/null)
package=$(ls -t "$build"/zarvik_*.deb | head -n1)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$package" "$work/root"
root="$work/root/usr"
for f in bin/zarvik bin/zarvik-tool bin/zarvik-report lib/zarvik/libzarvik_simdaq.so share/zarvik/help/index.html \
  share/zarvik/help/en/index.html share/zarvik/help/de/index.html \
  share/zarvik/first-run/ZARVIK.INI share/applications/de.zerovo.Zarvik.desktop \
  share/metainfo/de.zerovo.Zarvik.metainfo.xml share/icons/hicolor/scalable/apps/zarvik.svg \
  share/man/man1/zarvik-tool.1; do
  [ -e "$root/$f" ] || { echo "package-test: $f is missing from $package"; exit 1; }
done

home="$work/home"
mkdir -p "$home"
status=0
env -i PATH=/usr/bin:/bin HOME="$home" XDG_CONFIG_HOME="$home/.config" TMPDIR="$work" \
  XDG_RUNTIME_DIR="$work" QT_QPA_PLATFORM=offscreen \
  timeout 12 "$root/bin/zarvik" SIMULATE >"$work/out.txt" 2>&1 || status=$?
# The program runs until it is ended; the timeout ending it is the expected way out here.
if [ "$status" -ne 124 ]; then
  echo "package-test: the installed program ended by itself (status $status)"
  cat "$work/out.txt"
  exit 1
fi
for f in ZARVIK.INI ZARVIK1.ZRK ZARVIK2.ZRK Backup Graph; do
  [ -e "$home/Zarvik/$f" ] || { echo "package-test: first start did not prepare $f"; exit 1; }
done
grep -q "IniFilePath=$home/Zarvik/" "$home/.config/ZEROVO/ZARVIK.conf" ||
  { echo "package-test: the user directory was not registered"; exit 1; }
if [ -f "$home/Zarvik/zarviklog.txt" ] && grep -qi "daq\|library" "$home/Zarvik/zarviklog.txt"; then
  echo "package-test: the installed program did not start on the simulator:"
  cat "$home/Zarvik/zarviklog.txt"
  exit 1
fi
"$root/bin/zarvik-tool" --help >/dev/null
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/bin/zarvik-report" --help >/dev/null
echo "package-test: $(basename "$package") installs and starts on the simulator"
