#!/bin/sh
# The PDF of zarvik-report, as pdftotext reads it: in German and English, on A4 and Letter,
# with the order, the instrument from the device file, the results, the flags, the statistics
# and the page numbers; the German one holds none of the English words.
#   check_report_pdf.sh ZARVIK_REPORT DIR   (DIR as zv_report_sample made it)
set -eu
report=$1
dir=$2
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
fail() { echo "check_report_pdf: $*" >&2; exit 1; }
has() { grep -qF -- "$2" "$1" || fail "$1 lacks: $2"; }
lacks() { ! grep -qiwF -- "$2" "$1" || fail "$1 has: $2"; }

for lang in de en; do
  for paper in a4 letter; do
    pdf=$out/$lang-$paper.pdf
    "$report" "$dir/SAMPLE.BIN" --config "$dir/ZARVIK.INI" --lang $lang --paper $paper --pdf "$pdf"
    # One line of single-blank separated words: phrases are found across line breaks.
    pdftotext "$pdf" - | tr -s ' \n' '  ' >"$pdf.txt"
    size=$(pdfinfo "$pdf" | sed -n 's/^Page size: *//p')
    case $paper in
      a4) echo "$size" | grep -q "A4" || fail "$pdf is not A4: $size" ;;
      letter) echo "$size" | grep -q "letter" || fail "$pdf is not Letter: $size" ;;
    esac
  done
done

t=$out/de-a4.pdf.txt
has "$t" "Prüfbericht"
has "$t" "A-2026-0117"
has "$t" "Muster & Söhne GmbH"
has "$t" "Haftzugprüfung Fassade Nord"
has "$t" "Zarvik 850 Nr. 2"
has "$t" "ZV850-20417"
has "$t" "aus der Gerätedatei bei Erstellung des Berichts"
has "$t" "Probe Beschichtung 1, Lagerung Frost-Tau 25 Zyklen"
has "$t" "Stempelfläche 1963,500 mm² (Durchmesser 50,0 mm)"
has "$t" "Messung gültig"
has "$t" "zu schnell"
has "$t" "zu lang"
has "$t" "Mittelwert"
has "$t" "Seite 1 von"
for word in Page Sample Storage Force Mean Flags "too fast" "too long" Evaluation Speed; do
  lacks "$t" "$word"
done

t=$out/en-letter.pdf.txt
has "$t" "Test Report"
has "$t" "Sample Beschichtung 1, storage Wasser 7 d"
has "$t" "Loading rate"
has "$t" "too fast"
has "$t" "too long"
has "$t" "95 % confidence interval"
has "$t" "Page 1 of"
echo "PDF text as expected"
