#!/usr/bin/env bash
# `vedra print`: the preview of a file printed to a PDF through the print program,
# read back with poppler's tools: the text, the hits' bold font,
# the job's title, an unwritable file reported as the printer error in the run's
# language, and the usage. No display is needed.
source "$(dirname "${BASH_SOURCE[0]}")/test_support.sh"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

work=$tmp/work
mkdir -p "$work"
printf 'Il vento passa sul mare.\nLa casa rossa guarda il mare e il sole.\nultima riga del testo\n' > "$tmp/doc.txt"

if [[ ! -x $(dirname "$vedra")/vedra-print ]]; then
  # Built without the desktop program: the verb says what it needs.
  VEDRA_PRINT_PROGRAM= "$vedra" --workdir "$work" print "$tmp/doc.txt" --pdf "$tmp/out.pdf" 2>"$tmp/err"
  [ $? -eq 1 ] || fail "print without the print program exits 1"
  grep -q "needs the print program vedra-print" "$tmp/err" || fail "what print needs: $(cat "$tmp/err")"
  echo "skipped: no vedra-print beside $vedra"
  if [ $failures -eq 0 ]; then echo "0 passed, 0 failed, 1 skipped"; exit 0; fi
  echo "0 passed, 1 failed"; exit 1
fi
for tool in pdftotext pdfinfo pdffonts; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is missing (install the Debian package poppler-utils)"
    echo "0 passed, 0 failed, 1 skipped"
    exit 0
  fi
done

out=$("$vedra" --workdir "$work" print "$tmp/doc.txt" casa --pdf "$tmp/out.pdf" 2>"$tmp/err")
[ $? -eq 0 ] || fail "print exits 0: $(cat "$tmp/err")"
[ "$out" = "$tmp/out.pdf" ] || fail "print names the PDF written: $out"
text=$(pdftotext -layout "$tmp/out.pdf" - | tr -s ' ' | sed 's/^ //')
grep -qx "La casa rossa guarda il mare e il sole." <<<"$text" || fail "the hit's line: $text"
grep -qx "ultima riga del testo" <<<"$text" || fail "the text to its end: $text"
grep -qx "Il vento passa sul mare." <<<"$text" || fail "the text before the hit: $text"
pdfinfo "$tmp/out.pdf" | grep -qx "Title: *$tmp/doc.txt" || fail "the job named after the file: $(pdfinfo "$tmp/out.pdf")"
pdfinfo "$tmp/out.pdf" | grep -qx "Pages: *1" || fail "one page"
# The hit comes through the pipe to the print program bold (its colour is the
# window test's): a bold face among the fonts, beside the plain one.
fonts=$(pdffonts "$tmp/out.pdf" | tail -n +3 | awk '{print $1}')
grep -qi "bold" <<<"$fonts" || fail "a bold font for the hit: $fonts"
grep -qvi "bold" <<<"$fonts" || fail "a plain font for the rest: $fonts"
# A file that cannot be written is the printer error, in the run's language.
"$vedra" --workdir "$work" --lang it print "$tmp/doc.txt" --pdf "$tmp/no/such/folder/out.pdf" >/dev/null 2>"$tmp/err"
[ $? -eq 1 ] || fail "an unwritable PDF exits 1"
grep -qx "Errore stampante" "$tmp/err" || fail "Italian printer error: $(cat "$tmp/err")"
"$vedra" --workdir "$work" --lang en print "$tmp/doc.txt" --pdf "$tmp/no/such/folder/out.pdf" >/dev/null 2>"$tmp/err"
grep -qx "Print error" "$tmp/err" || fail "English printer error: $(cat "$tmp/err")"

# The usage without --pdf or the file; a missing file is the unreadable-file message.
"$vedra" --workdir "$work" print "$tmp/doc.txt" >/dev/null 2>"$tmp/err"
[ $? -eq 2 ] || fail "print without --pdf exits 2"
grep -q "usage: vedra print FILE" "$tmp/err" || fail "usage: $(cat "$tmp/err")"
"$vedra" --workdir "$work" print "$tmp/missing.txt" --pdf "$tmp/missing.pdf" >/dev/null 2>"$tmp/err"
[ $? -eq 1 ] || fail "a missing file exits 1"
[ ! -e "$tmp/missing.pdf" ] || fail "no PDF for a missing file"

if [ $failures -eq 0 ]; then echo "1 passed, 0 failed"; exit 0; fi
echo "0 passed, 1 failed"; exit 1
