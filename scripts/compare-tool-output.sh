#!/usr/bin/env bash
# Compares what two builds of zarvik-tool make of the same data files: the JSON dump and the
# files written by a conversion to .BIN and to .DAT (with their graph files). Used before and
# after a change of the file readers or writers that must not change a byte.
#
#   scripts/compare-tool-output.sh OLD_TOOL NEW_TOOL [DATA_FILE...]
#
# Without data files it takes every .BIN and .DAT of the fuzz corpora. Exit 0 when every
# output is identical; otherwise the differing outputs are listed and it exits 1.
set -euo pipefail

if [ $# -lt 2 ]; then
  sed -n '2,9p' "$0" | sed 's/^# \{0,1\}//'
  exit 2
fi
old=$(realpath "$1")
new=$(realpath "$2")
shift 2
root=$(cd "$(dirname "$0")/.." && pwd)
if [ $# -eq 0 ]; then
  mapfile -t inputs < <(find "$root/fuzz/corpus/bin" "$root/fuzz/corpus/dat" -type f | sort)
else
  inputs=("$@")
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The largest grid the program allows, so no file is refused for its size.
config="$work/ZARVIK.INI"
printf '[INFO]\r\nMaximale Probenzahl=100\r\nMaximale Lagerungszahl=100\r\nMaximale Messungszahl=100\r\n' > "$config"
differ=0
compared=0

# run TOOL OUTDIR INPUT: every output of one tool for one input, errors included.
run() {
  local tool=$1 out=$2 input=$3 ext
  mkdir -p "$out"
  case "${input,,}" in *.bin) ext=BIN ;; *.dat) ext=DAT ;; *) ext=BIN ;; esac
  # The tool takes the format from the extension and the graph file from beside the file.
  cp "$input" "$out/IN.$ext"
  [ -f "$input.GRF" ] && cp "$input.GRF" "$out/IN.$ext.GRF"
  (cd "$out" && "$tool" --config "$config" dump "IN.$ext" > dump.json 2> dump.err; echo $? > dump.rc) || true
  (cd "$out" && "$tool" --config "$config" convert "IN.$ext" OUT.BIN > bin.out 2>&1; echo $? > bin.rc) || true
  (cd "$out" && "$tool" --config "$config" convert "IN.$ext" OUT.DAT > dat.out 2>&1; echo $? > dat.rc) || true
  rm -f "$out/IN.$ext" "$out/IN.$ext.GRF"
}

for input in "${inputs[@]}"; do
  name=$(basename "$input")
  run "$old" "$work/old/$name" "$input"
  run "$new" "$work/new/$name" "$input"
  compared=$((compared + 1))
  if ! diff -r "$work/old/$name" "$work/new/$name" > "$work/diff.txt"; then
    echo "DIFFERENT: $input"
    head -20 "$work/diff.txt"
    differ=$((differ + 1))
  fi
done

echo "$compared data files compared, $differ with different output"
[ "$differ" -eq 0 ]
