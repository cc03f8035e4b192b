#!/usr/bin/env bash
# Prepares a user directory for a first start: Backup/, Graph/, a complete ZARVIK.INI (the
# program itself never creates one) and the two device files it names, ZARVIK1.ZRK and
# ZARVIK2.ZRK, calibrated for the simulated testers. Points the settings value IniFilePath at
# the directory when it is unset. Files that are already there are left alone; a ZARVIK.INI
# without device files gets them added.
set -euo pipefail
export LC_ALL=C # the configuration is Latin-1: work on bytes
here="$(cd "$(dirname "$0")/.." && pwd)"
settings="${XDG_CONFIG_HOME:-$HOME/.config}/ZEROVO/ZARVIK.conf"
crlf=$'\r\n'

current=""
if [ -f "$settings" ]; then
  current="$(sed -n 's/^IniFilePath=//p' "$settings" | head -n1)"
fi
if [ -n "$current" ]; then
  case "$current" in
  \"* | *\\*)
    # Quoted or escaped by the settings store: leave that directory to its owner.
    echo "User directory already set: $current"
    exit 0
    ;;
  esac
  userdir="${current%/*}" # the value names the directory or a file in it
  echo "User directory already set: $userdir/"
else
  userdir="${ZARVIK_USER_DIR:-$HOME/Zarvik}"
  userdir="${userdir%/}"
fi

mkdir -p "$userdir/Backup" "$userdir/Graph"

# Text for the replacement side of sed: escape \, & and the delimiter.
escaped_dir="$(printf '%s' "$userdir/" | sed -e 's/[\\&|]/\\&/g')"
ini="$userdir/ZARVIK.INI"
for f in "$here"/data/first-run/*.ZRK; do
  [ -e "$userdir/$(basename "$f")" ] || cp "$f" "$userdir/"
done
if [ ! -e "$ini" ]; then
  sed -e "s|@USERDIR@|$escaped_dir|g" "$here/data/first-run/ZARVIK.INI" >"$ini.tmp"
  mv "$ini.tmp" "$ini"
elif ! grep -q '^\[Hardware\]' "$ini"; then
  # An older first-run configuration without device files.
  key1="$(printf 'Ger\344tedatei-1')"
  key2="$(printf 'Ger\344tedatei-2')"
  printf '%s[Hardware]%s%s = "%s"%s%s = "%s"%s%s' "$crlf" "$crlf" "$key1" "$userdir/ZARVIK1.ZRK" "$crlf" \
    "$key2" "$userdir/ZARVIK2.ZRK" "$crlf" "$crlf" >>"$ini"
fi

if [ -z "$current" ]; then
  mkdir -p "$(dirname "$settings")"
  if [ -f "$settings" ] && grep -q '^\[General\]' "$settings"; then
    sed -i "/^\[General\]/a IniFilePath=$escaped_dir" "$settings"
  else
    printf '[General]\nIniFilePath=%s/\n' "$userdir" >>"$settings"
  fi
fi
echo "User directory prepared: $userdir/"
