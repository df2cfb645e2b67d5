#!/usr/bin/env bash
# Rows and previews of converted documents: a real PDF, a .gz and a .zip (holding
# a PDF too) indexed with --unpack; the rows name the PDF and "x.zip » member",
# `show` and `search --extracts` read them through their converters.
source "$(dirname "${BASH_SOURCE[0]}")/test_support.sh"

for tool in ps2pdf:ghostscript pdftotext:poppler-utils 7z:7zip gzip:gzip; do
  if ! command -v "${tool%%:*}" >/dev/null; then
    echo "skipped: ${tool%%:*} is missing (install the Debian package ${tool#*:})"
    echo "0 passed, 0 failed, 1 skipped"
    exit 0
  fi
done

# A one-page PDF from hand-written PostScript.
make_pdf() { # PDF TEXT
  printf '%%!PS\n/Helvetica findfont 14 scalefont setfont\n72 720 moveto (%s) show\nshowpage\n' "$2" > "$tmp/page.ps"
  ps2pdf "$tmp/page.ps" "$1" || fail "ps2pdf $1"
}

work=$tmp/work
docs=$tmp/docs
mkdir -p "$work" "$docs" "$tmp/staging"
make_pdf "$docs/report.pdf" "Quarterly zebrafish figures"
printf 'the zebrafish swims in the notes\n' > "$docs/notes.txt"
gzip "$docs/notes.txt"
printf 'a packed zebrafish member\n' > "$tmp/staging/member.txt"
make_pdf "$tmp/staging/inside.pdf" "Zebrafish inside the zip"
7z a -tzip "$docs/pack.zip" "$tmp/staging/member.txt" "$tmp/staging/inside.pdf" >/dev/null || fail "7z a"

"$vedra" --workdir "$work" create rows >/dev/null 2>&1 || fail "create"
"$vedra" --workdir "$work" index --unpack "$docs" >/dev/null 2>"$tmp/err" || fail "index: $(cat "$tmp/err")"
[ -z "$(find "$docs" -name '*_vedratemp')" ] || fail "the run left an unpack folder"

# Text rows: the PDF by its name, members as "packed file » member".
sep=$'\xc2\xbb'
out=$("$vedra" --workdir "$work" search zebrafish 2>/dev/null)
paths=$(cut -f1 <<<"$out" | sort)
expected=$(printf '%s\n' "$docs/notes.txt.gz $sep notes.txt" "$docs/pack.zip $sep inside.pdf" \
  "$docs/pack.zip $sep member.txt" "$docs/report.pdf" | sort)
[ "$paths" = "$expected" ] || fail "row paths:
$paths
expected:
$expected"
grep -q "vedratemp\|\.pdf\.txt" <<<"$out" && fail "a stored label shown: $out"

# JSON: the readable path, the stored label, the packed file and the member apart.
json=$("$vedra" --workdir "$work" search zebrafish --json 2>/dev/null)
row=$(grep -F "\"label\": \"$docs/pack.zip_vedratemp/member.txt\"" <<<"$json")
[ -n "$row" ] || fail "no JSON row with the member's stored label: $json"
grep -qF "\"path\": \"$docs/pack.zip $sep member.txt\"" <<<"$row" || fail "JSON path of the member: $row"
grep -qF "\"packedFile\": \"$docs/pack.zip\", \"member\": \"member.txt\"" <<<"$row" || fail "JSON member fields: $row"
row=$(grep -F "\"label\": \"$docs/report.pdf.txt\"" <<<"$json")
grep -qF "\"path\": \"$docs/report.pdf\"" <<<"$row" || fail "JSON path of the PDF: $row"
grep -qF "\"packedFile\": null, \"member\": null" <<<"$row" || fail "JSON PDF row has member fields: $row"
# Neither the missing "report.pdf.txt" nor the removed unpack folders make a row stale.
[ "$(grep -c '"stale": false' <<<"$json")" = 4 ] || fail "converted rows reported stale: $json"

# `show` reads the PDF's text, not its bytes, and a member by its row's name.
out=$(cd "$tmp" && "$vedra" --workdir "$work" show docs/report.pdf zebrafish 2>"$tmp/err"); rc=$?
[ $rc -eq 0 ] || fail "show of the PDF exited $rc: $(cat "$tmp/err")"
grep -q "Quarterly \[\[zebrafish\]\] figures" <<<"$out" || fail "show of the PDF: $out"
grep -q "%PDF" <<<"$out" && fail "show printed the PDF's bytes"
out=$("$vedra" --workdir "$work" show "$docs/pack.zip $sep member.txt" zebrafish 2>&1)
grep -q "a packed \[\[zebrafish\]\] member" <<<"$out" || fail "show of a member: $out"
out=$("$vedra" --workdir "$work" show "$docs/pack.zip_vedratemp/inside.pdf.txt" zebrafish 2>&1)
grep -q "\[\[Zebrafish\]\] inside the zip" <<<"$out" || fail "show of a PDF inside the zip: $out"

# The extract of every row holds its hits, marked, under the row's readable name.
out=$("$vedra" --workdir "$work" search zebrafish --extracts 2>"$tmp/err")
grep -q "No results matched" <<<"$out" && fail "a row without excerpt: $out"
[ "$(grep -c '^\.\.\.\.\. .*\[\[zebrafish\]\]' <<<"$out")" = 4 ] || fail "four marked excerpts: $out"
grep -q "^ File: [0-9]* - $docs/report.pdf"$'\r'"\?$" <<<"$out" || fail "extract names the PDF: $out"
grep -q "^ File: [0-9]* - $docs/notes.txt.gz $sep notes.txt" <<<"$out" || fail "extract names the gz member: $out"
grep -q "^\.\.\.\.\. quarterly \[\[zebrafish\]\] figures" <<<"$out" || fail "the PDF's excerpt: $out"
grep -q "_vedratemp" "$work/Magazzino/estratti.vedra" || fail "the extract file keeps the stored labels"

# Only the PDF's text beside it, as the window's preview writes it; the members
# were unpacked again in the program's own folder.
[ "$(ls "$docs" | tr '\n' ' ')" = "notes.txt.gz pack.zip report.pdf report.pdf.txt " ] ||
  fail "the user's folder holds: $(ls "$docs")"

# A member whose packed file is gone is said to be so.
rm "$docs/pack.zip"
out=$("$vedra" --workdir "$work" search zebrafish --extracts 2>"$tmp/err"); rc=$?
[ $rc -eq 0 ] || fail "extracts with a packed file gone exited $rc"
grep -qF "cannot show $docs/pack.zip $sep member.txt: its packed file $docs/pack.zip is no longer on disk" "$tmp/err" ||
  fail "no reason for the lost member: $(cat "$tmp/err")"
"$vedra" --workdir "$work" show "$docs/pack.zip $sep member.txt" zebrafish >/dev/null 2>"$tmp/err"
[ $? -eq 1 ] || fail "show of a lost member did not fail"
grep -q "no longer on disk" "$tmp/err" || fail "show of a lost member: $(cat "$tmp/err")"

if [ $failures -eq 0 ]; then echo "1 passed, 0 failed"; exit 0; fi
echo "0 passed, 1 failed"; exit 1
