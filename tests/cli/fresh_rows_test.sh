#!/usr/bin/env bash
# Right after `index --unpack`, as the first archive is made (more types on), no
# row is flagged stale: not a PDF's text (no "X.pdf.txt" on disk), not a member
# of a .gz, .zip or .tar.gz (their unpack folders removed, beside the file or
# mirrored below the working folder), not an HTML page, and not a file of the
# user's own named "X.pdf.txt", which has the label of a PDF's text.
source "$(dirname "${BASH_SOURCE[0]}")/test_support.sh"

for tool in ps2pdf:ghostscript pdftotext:poppler-utils 7z:7zip gzip:gzip tar:tar; do
  if ! command -v "${tool%%:*}" >/dev/null; then
    echo "skipped: ${tool%%:*} is missing (install the Debian package ${tool#*:})"
    echo "0 passed, 0 failed, 1 skipped"
    exit 0
  fi
done

# The label and reason of each row flagged stale in a `search --json` answer.
stale_rows() { grep '"stale": true' <<<"$1" | grep -o '"label": .*}' ; }

make_pdf() { # PDF TEXT
  printf '%%!PS\n/Helvetica findfont 14 scalefont setfont\n72 720 moveto (%s) show\nshowpage\n' "$2" > "$tmp/page.ps"
  ps2pdf "$tmp/page.ps" "$1" || fail "ps2pdf $1"
}

work=$tmp/work
docs=$tmp/docs
staging=$tmp/staging
mkdir -p "$work" "$docs/sub" "$staging/tree"
make_pdf "$docs/report.pdf" "Quarterly zebrafish figures"
printf 'the zebrafish in my own notes\n' > "$docs/own.pdf.txt"
printf '<html><body><p>a zebrafish &amp; a page</p></body></html>\n' > "$docs/page.html"
printf 'a zebrafish in a caf\xc3\xa9\n' > "$docs/caf"$'\xc3\xa9'".txt"
printf 'the zebrafish swims in the changelog\n' > "$docs/sub/changelog"
gzip "$docs/sub/changelog"
printf 'a packed zebrafish member\n' > "$staging/member.txt"
make_pdf "$staging/inside.pdf" "Zebrafish inside the zip"
7z a -tzip "$docs/pack.zip" "$staging/member.txt" "$staging/inside.pdf" >/dev/null || fail "7z a"
printf 'a zebrafish two packings deep\n' > "$staging/tree/deep.txt"
tar -C "$staging" -czf "$docs/sub/bundle.tar.gz" tree || fail "tar"
# A folder of the user's with the name of bundle.tar.gz's unpack folder: the run
# unpacks that file below the working folder's "vedratemp/" instead, as it does
# for every packed file of a folder it may not write (/usr/share/doc).
mkdir "$docs/sub/bundle.tar.gz_vedratemp"
printf 'a zebrafish the user keeps\n' > "$docs/sub/bundle.tar.gz_vedratemp/kept.txt"

"$vedra" --workdir "$work" create fresh --more-types >/dev/null 2>&1 || fail "create"
"$vedra" --workdir "$work" index --unpack "$docs" >/dev/null 2>"$tmp/err" || fail "index: $(cat "$tmp/err")"
[ "$(find "$docs" "$work/vedratemp" -name '*_vedratemp' | sed "s|^$docs/||")" = "sub/bundle.tar.gz_vedratemp" ] ||
  fail "unpack folders left: $(find "$docs" "$work/vedratemp" -name '*_vedratemp')"

json=$("$vedra" --workdir "$work" search zebrafish --all-archives --json 2>"$tmp/err") || fail "search: $(cat "$tmp/err")"
labels=$(grep -o '"label": "[^"]*"' <<<"$json" | sed 's/^"label": "//; s/"$//' | sort)
mirror=$work/vedratemp$docs/sub/bundle.tar.gz_vedratemp/bundle.tar_vedratemp/tree/deep.txt
expected=$(printf '%s\n' "$docs/report.pdf.txt" "$docs/own.pdf.txt" "$docs/page.html" "$docs/caf"$'\xc3\xa9'".txt" \
  "$docs/sub/changelog.gz_vedratemp/changelog" "$docs/pack.zip_vedratemp/member.txt" \
  "$docs/pack.zip_vedratemp/inside.pdf.txt" "$mirror" "$docs/sub/bundle.tar.gz_vedratemp/kept.txt" | sort)
[ "$labels" = "$expected" ] || fail "rows:
$labels
expected:
$expected"
[ -z "$(stale_rows "$json")" ] || fail "rows flagged stale right after the run:
$(stale_rows "$json")"
[ "$(grep -c '"stale": false, "staleReason": ""' <<<"$json")" = 9 ] || fail "not every row says it is fresh: $json"

# The flag still follows the disk: a changed page and a packed file gone.
touch -d '2001-01-01' "$docs/page.html"
rm "$docs/pack.zip"
json=$("$vedra" --workdir "$work" search zebrafish --json 2>/dev/null)
expected=$(printf '%s\n' "\"label\": \"$docs/pack.zip_vedratemp/inside.pdf.txt\", \"packedFile\": \"$docs/pack.zip\", \"member\": \"inside.pdf\", \"stale\": true, \"staleReason\": \"gone\"}" \
  "\"label\": \"$docs/pack.zip_vedratemp/member.txt\", \"packedFile\": \"$docs/pack.zip\", \"member\": \"member.txt\", \"stale\": true, \"staleReason\": \"gone\"}" \
  "\"label\": \"$docs/page.html\", \"packedFile\": null, \"member\": null, \"stale\": true, \"staleReason\": \"time\"}")
[ "$(stale_rows "$json" | sort)" = "$(sort <<<"$expected")" ] || fail "stale rows once the disk changed:
$(stale_rows "$json")
expected:
$expected"

if [ $failures -eq 0 ]; then echo "1 passed, 0 failed"; exit 0; fi
echo "0 passed, 1 failed"; exit 1
