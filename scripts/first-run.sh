#!/usr/bin/env bash
# Prepares a user directory for a first start: Backup/, Graph/ and a ZARVIK.INI (the program
# itself never creates one), and points the settings value IniFilePath at it when unset.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
userdir="${ZARVIK_USER_DIR:-$HOME/Zarvik}"
settings="${XDG_CONFIG_HOME:-$HOME/.config}/ZEROVO/ZARVIK.conf"

if [ -f "$settings" ] && grep -q '^IniFilePath=' "$settings"; then
  current="$(sed -n 's/^IniFilePath=//p' "$settings" | head -n1)"
  echo "User directory already set: $current"
  exit 0
fi
mkdir -p "$userdir/Backup" "$userdir/Graph"
for f in "$here"/data/first-run/*; do
  [ -e "$userdir/$(basename "$f")" ] || cp "$f" "$userdir/"
done
mkdir -p "$(dirname "$settings")"
if [ -f "$settings" ] && grep -q '^\[General\]' "$settings"; then
  sed -i "/^\[General\]/a IniFilePath=$userdir/" "$settings"
else
  printf '[General]\nIniFilePath=%s/\n' "$userdir" >>"$settings"
fi
echo "User directory prepared: $userdir/"
