#!/usr/bin/env bash
# Text recognition as an archive option: `vedra create --ocr`, `vedra ocr on|off`
# and `vedra info`, the bytes the option changes (one line of FMM.N, nothing else),
# and a picture read by a fake tesseract, found, and shown with the note.
source "$(dirname "${BASH_SOURCE[0]}")/test_support.sh"

w=$tmp/w
mkdir -p "$w/Lemmi/Radici" "$tmp/bin" "$tmp/tree"
echo "receipt harbour" > "$w/Lemmi/Radici/RadiciParole.txt"
# The "picture" holds its words as text; the fake reads them out.
cat > "$tmp/bin/tesseract" <<'SH'
#!/bin/sh
echo call >> "$(dirname "$0")/calls"
cat "$1" > "$2.txt"
SH
chmod +x "$tmp/bin/tesseract"
printf 'receipt for the harbour\n' > "$tmp/tree/scan.png"
export PATH="$tmp/bin:$PATH"

"$vedra" --workdir "$w" create plain >/dev/null 2>&1 || fail "create plain"
cp "$w/C_PLAIN_1/FMM.1" "$tmp/plain.fmm"
mkdir "$tmp/plain_files"
cp "$w"/C_PLAIN_1/*.1 "$tmp/plain_files/"
grep -qx "Text recognition: off" <<<"$("$vedra" --workdir "$w" info)" || fail "info of a plain archive"
grep -q "ocr" "$w/C_PLAIN_1/FMM.1" && fail "a plain archive has the marker"
rm -rf "$w/IND_ARC.PRI" "$w/C_PLAIN_1"

out=$("$vedra" --workdir "$w" create scans --ocr 2>"$tmp/err") || fail "create --ocr: $(cat "$tmp/err")"
grep -qx "Text recognition: on" <<<"$out" || fail "create output: $out"
for f in "$tmp"/plain_files/*.1; do
  name=$(basename "$f")
  [ "$name" = FMM.1 ] && continue
  cmp -s "$f" "$w/C_SCANS_1/$name" || fail "$name differs from a plain archive's"
done
[ "$(cat "$tmp/plain.fmm"; printf '*ocr\r\n')" = "$(cat "$w/C_SCANS_1/FMM.1")" ] || fail "FMM.2 is not the plain list and *ocr"
grep -qx "Text recognition: on" <<<"$("$vedra" --workdir "$w" info)" || fail "info after create --ocr"

out=$("$vedra" --workdir "$w" index "$tmp/tree" --json 2>"$tmp/err") || fail "index: $(cat "$tmp/err")"
grep -q '"filesRecognised": 1' <<<"$out" || fail "index json: $out"
"$vedra" --workdir "$w" search harbour | grep -q "scan.png" || fail "the picture's words are not found"
out=$("$vedra" --workdir "$w" show "$tmp/tree/scan.png" harbour) || fail "show"
[ "$(head -1 <<<"$out")" = "Text recognised (OCR) from the document's image" ] || fail "show note: $out"
grep -q "\[\[harbour\]\]" <<<"$out" || fail "show marks no hit: $out"
out=$("$vedra" --lang it --workdir "$w" show "$tmp/tree/scan.png" harbour)
[ "$(head -1 <<<"$out")" = "Testo riconosciuto (OCR) dall'immagine del documento" ] || fail "Italian note: $out"

# Off, on, off: exactly the marker's line comes and goes.
"$vedra" --workdir "$w" ocr off >/dev/null || fail "ocr off"
cmp -s "$tmp/plain.fmm" "$w/C_SCANS_1/FMM.1" || fail "ocr off leaves other bytes changed"
grep -qx "Text recognition: off" <<<"$("$vedra" --workdir "$w" info)" || fail "info after ocr off"
"$vedra" --workdir "$w" ocr off >/dev/null || fail "ocr off twice"
cmp -s "$tmp/plain.fmm" "$w/C_SCANS_1/FMM.1" || fail "a second ocr off changed the list"
"$vedra" --workdir "$w" ocr on >/dev/null || fail "ocr on"
"$vedra" --workdir "$w" ocr on >/dev/null || fail "ocr on twice"
[ "$(grep -c 'ocr' "$w/C_SCANS_1/FMM.1")" = 1 ] || fail "ocr on twice wrote two markers"

# Indexed again after a move: the cached text, tesseract not called.
calls_before=$(wc -l < "$tmp/bin/calls")
mv "$tmp/tree" "$tmp/moved"
"$vedra" --workdir "$w" index "$tmp/moved" >/dev/null 2>&1 || fail "index moved"
[ "$(wc -l < "$tmp/bin/calls")" = "$calls_before" ] || fail "tesseract called again after a move"
"$vedra" --workdir "$w" search harbour | grep -q "moved/scan.png" || fail "moved picture not found"

"$vedra" --workdir "$w" ocr maybe >/dev/null 2>"$tmp/err"; [ $? -eq 2 ] || fail "ocr maybe accepted"
grep -q "usage: vedra ocr on|off" "$tmp/err" || fail "no usage for ocr maybe"
"$vedra" --workdir "$w" ocr >/dev/null 2>&1; [ $? -eq 2 ] || fail "ocr without a word accepted"

if [ $failures -eq 0 ]; then echo "1 passed, 0 failed"; exit 0; fi
echo "0 passed, 1 failed"; exit 1
