#!/usr/bin/env bash
# Records what zarvik-tool makes of every data set input we have, or compares a build against
# such a record byte for byte: run it with the build before a change to a reader or writer
# and with the build after it.
#
#   scripts/check-file-results.sh record  BUILD_DIR RECORD_DIR
#   scripts/check-file-results.sh compare BUILD_DIR RECORD_DIR
#
# Inputs: the fuzz seed corpora (dat, ini, bin) and any corpora the fuzz runs grew in
# build-fuzz/, a set of hand-made text files with unusual layouts, a few hundred random
# mutations of them (fixed seed), and the largest data set in both formats (made by
# bench_datafile). For each input taken as .DAT and as .BIN: dump with the built-in limits,
# dump with the largest limits, convert to .DAT and .BIN; recorded are exit codes, standard
# error and the SHA-256 of standard output and of the converted files.
set -euo pipefail
mode=${1:?record or compare}
build=$(realpath "${2:?build directory}")
record=${3:?record directory}
root=$(cd "$(dirname "$0")/.." && pwd)
tool=$build/tools/cli/zarvik-tool
maker=$build/bench/bench_datafile
[[ -x $tool && -x $maker ]] || { echo "no zarvik-tool or bench_datafile in $build" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config
mkdir -p "$HOME" "$work/in" "$work/out"
printf '[INFO]\r\nMaximale Probenzahl = 100\r\nMaximale Lagerungszahl = 100\r\nMaximale Messungszahl = 100\r\n' \
  >"$work/largest.INI"

# Inputs, named after where they come from.
for dir in "$root"/fuzz/corpus/{dat,ini,bin} "$root"/build-fuzz/fuzz/corpus/{dat,ini,bin}; do
  [[ -d $dir ]] || continue
  for f in "$dir"/*; do
    [[ -f $f ]] && cp "$f" "$work/in/$(basename "$dir")-$(basename "$f")"
  done
done
python3 - "$work/in" <<'EOF'
import os, random, sys
out = sys.argv[1]
def sec(name, *items):
    return "[%s]\r\n" % name + "".join("%s = %s\r\n" % kv for kv in items) + "\r\n"
head = sec("AUFTRAG", ("Programmkennung", "3"), ("Proben", "2"), ("Lagerungen", "2"),
           ("IDENT-Name", '"Name"'))
def sample(s): return sec("Probe-%d" % s, ("Probenname", '"S%d"' % s))
def storage(s, t, n="2", rng="10"):
    return sec("Probe-%d/Lagerung-%d" % (s, t), ("Messungen", n), ("Me\xdfbereich", rng),
               ("Abzug", "100"), ("Probenfl\xe4che", "1"), ("Lagerungsname", '"L%d"' % t))
def meas(s, t, m, force="1.5"):
    return sec("Probe-%d/Lagerung-%d/Messung-%d" % (s, t, m), ("Me\xdfwert", force),
               ("Me\xdfpunkte", "100"), ("Status", "5"), ("Statistik", "1"), ("Kanal", "0"),
               ("Ger\xe4tename", '"Dev"'))
body = [sample(1), storage(1, 1), meas(1, 1, 1), meas(1, 1, 2), storage(1, 2, "1"),
        meas(1, 2, 1), sample(2), storage(2, 1, "1"), meas(2, 1, 1), storage(2, 2, "1"),
        meas(2, 2, 1)]
cases = {
    "plain": head + "".join(body),
    "header-last": "".join(body) + head,
    "reversed": head + "".join(reversed(body)),
    "duplicates": head + "".join(body) + sample(1).replace("S1", "again") + head,
    "first-of-two": head + sample(1).replace("S1", "first") + "".join(body),
    "missing": head + "".join(body[:2] + body[4:8]),
    "lowercase": (head + "".join(body)).replace("Probe-", "pROBE-").replace("Lagerung", "LAGERUNG"),
    "blanks": (head + "".join(body)).replace("[Probe-", "[  Probe-").replace("] ", "]"),
    "leading-zero": head + "".join(body).replace("Messung-1]", "Messung-01]"),
    "numbers": head + sample(1) + storage(1, 1, "3", " +10 ") + meas(1, 1, 1, "1e400") +
               meas(1, 1, 2, "0x1p3") + meas(1, 1, 3, "-.5e-3") + sample(2),
    "odd-numbers": head + sample(1) + storage(1, 1, "4", "inf") + meas(1, 1, 1, "nan") +
                   meas(1, 1, 2, "1e-320") + meas(1, 1, 3, "12abc") + meas(1, 1, 4, "-0") + sample(2),
    "big-ints": head.replace("Proben = 2", "Proben = 99999999999") + "".join(body),
    "negative": head.replace("Lagerungen = 2", "Lagerungen = -3") + "".join(body),
    "too-many": head + sample(1) + storage(1, 1, "500") + sample(2),
    "long-values": head + sample(1).replace('"S1"', '"' + "x" * 200 + '"') +
                   sec("Probe-2", ("Probenname Line0001", '"abc"'), ("Other Line0002", '"def"'),
                       ("Probenname Line0001", '"ghi"')) + "".join(body[1:]),
    "before-first": "Probenname = \"lost\"\r\n; comment\r\n" + head + "".join(body),
    "cr-only": (head + "".join(body)).replace("\r\n", "\r"),
    "lf-only": (head + "".join(body)).replace("\r\n", "\n"),
    "long-line": head + sample(1).replace('"S1"', '"' + "y" * 400 + '"') + "".join(body[1:]),
    "nul": (head + "".join(body)).replace("S2", "S\x002"),
    "quotes": head + sample(1).replace('"S1"', '"unclosed') + sample(2).replace('"S2"', 'plain'),
    "empty-values": head + sec("Probe-1", ("Probenname", "")) + storage(1, 1, " ") + "".join(body[2:]),
    "comments": head + "; a\r\n" + "".join(body).replace("[Probe-2]", "; b\r\n[Probe-2]"),
    "bad-header": "[AUFTRAG\r\nProben = 1\r\n" + "".join(body),
    "no-header": "".join(body),
    "no-counts": sec("AUFTRAG", ("Proben", "1")) + "".join(body),
    "text-count": head.replace("Proben = 2", "Proben = zwei") + "".join(body),
    "zero-counts": head.replace("Proben = 2", "Proben = 0").replace("Lagerungen = 2", "Lagerungen = 0") + "".join(body),
    "no-measurement-count": head + sample(1) + sec("Probe-1/Lagerung-1", ("Abzug", "5")) + meas(1, 1, 1) + sample(2),
}
for name, text in cases.items():
    with open(os.path.join(out, "made-%s.dat" % name), "wb") as f:
        f.write(text.encode("latin-1"))
rnd = random.Random(21)
seeds = [c.encode("latin-1") for c in cases.values()]
for i in range(300):
    b = bytearray(rnd.choice(seeds))
    for _ in range(rnd.randint(1, 6)):
        op, at = rnd.randint(0, 3), rnd.randrange(len(b))
        if op == 0: b[at] = rnd.randrange(256)
        elif op == 1: del b[at:at + rnd.randint(1, 40)]
        elif op == 2: b[at:at] = bytes([rnd.choice(b"=[]\r\n 0123456789.-e\";")]) * rnd.randint(1, 3)
        else:
            j = rnd.randrange(len(b)); b[at:at] = b[j:j + rnd.randint(1, 120)]
    with open(os.path.join(out, "mutated-%03d.dat" % i), "wb") as f:
        f.write(bytes(b))
EOF
"$maker" make "$work/in/largest.DAT" >/dev/null
"$maker" make "$work/in/largest.BIN" >/dev/null

run() { # name, then the tool's arguments
  local name=$1 rc=0
  shift
  "$tool" "$@" >"$work/stdout" 2>"$work/stderr" || rc=$?
  {
    echo "== $name: exit $rc"
    sed "s#$work#WORK#g" "$work/stderr"
    echo "stdout $(sha256sum <"$work/stdout" | cut -c1-64)"
  } >>"$work/result"
}
: >"$work/result"
for f in "$work"/in/*; do
  base=$(basename "$f")
  for ext in DAT BIN; do
    in=$work/case.$ext
    cp "$f" "$in"
    run "$base as $ext: dump" dump "$in"
    run "$base as $ext: dump, largest limits" --config "$work/largest.INI" dump "$in"
    for to in DAT BIN; do
      rm -f "$work"/out/*
      run "$base as $ext: convert to $to" --config "$work/largest.INI" convert "$in" "$work/out/OUT.$to" --cut
      for o in "$work"/out/*; do
        [[ -f $o ]] && echo "$(basename "$o") $(sha256sum <"$o" | cut -c1-64)" >>"$work/result"
      done
    done
  done
done

count=$(ls "$work/in" | wc -l)
if [[ $mode == record ]]; then
  mkdir -p "$record"
  cp "$work/result" "$record/result"
  echo "recorded the results of $count inputs in $record/result"
elif diff -u "$record/result" "$work/result" >"$work/diff"; then
  echo "identical: $count inputs, $(grep -c '^==' "$work/result") runs"
else
  head -100 "$work/diff"
  echo "DIFFERENT results (above)" >&2
  exit 1
fi
