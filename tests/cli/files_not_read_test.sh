#!/usr/bin/env bash
# Files whose text a run could not read: the summary counts them on their own
# line and names the first five, `index --json` lists them all with the reason,
# and the next run reads them once they can be read.
source "$(dirname "${BASH_SOURCE[0]}")/test_support.sh"

for tool in ps2pdf:ghostscript pdftotext:poppler-utils; do
  if ! command -v "${tool%%:*}" >/dev/null; then
    echo "skipped: ${tool%%:*} is missing (install the Debian package ${tool#*:})"
    echo "0 passed, 0 failed, 1 skipped"
    exit 0
  fi
done

work=$tmp/work
docs=$tmp/docs
mkdir -p "$work" "$docs"
printf 'the orange pelican\n' > "$docs/a.txt"
# Damaged PDFs: pdftotext fails on them and leaves no text.
for i in 1 2 3 4 5 6 7; do printf 'not a pdf %s\n' "$i" > "$docs/broken$i.pdf"; done

"$vedra" --workdir "$work" create unread >/dev/null 2>&1 || fail "create"
out=$("$vedra" --workdir "$work" index "$docs" 2>"$tmp/err") || fail "index: $(cat "$tmp/err")"
grep -qx "Files not read: 7" <<<"$out" || fail "not-read line: $out"
grep -qx "Files with text indexed: 1" <<<"$out" || fail "the damaged PDFs counted as read: $out"
grep -qx "New files with text indexed: 1" <<<"$out" || fail "new files with text: $out"
grep -qx "Files indexed: 8" <<<"$out" || fail "files indexed: $out"
named=$(grep -c "^  $docs/broken[0-9].pdf: conversion failed$" <<<"$out")
[ "$named" = 5 ] || fail "the summary names $named files, not the first five: $out"
grep -qx "  $docs/broken1.pdf: conversion failed" <<<"$out" || fail "the first one is named: $out"
grep -qx "  ... +2" <<<"$out" || fail "the rest counted: $out"

# Each line says something of its own: no label twice.
labels=$(grep -v '^  ' <<<"$out" | cut -d: -f1 | sort | uniq -d)
[ -z "$labels" ] || fail "labels repeated: $labels"

# The JSON summary lists all of them, and nothing but the object is printed.
json=$("$vedra" --workdir "$work" index "$docs" --json 2>/dev/null) || fail "index --json"
grep -q '"filesNotRead": 7,' <<<"$json" || fail "json count: $json"
[ "$(grep -c '"reason": "conversion failed"' <<<"$json")" = 7 ] || fail "json list: $json"
grep -q "{\"path\": \"$docs/broken7.pdf\", \"reason\": \"conversion failed\"}" <<<"$json" || fail "json row: $json"
grep -q '"filesWithText": 0,' <<<"$json" || fail "a.txt was read again: $json"
if command -v python3 >/dev/null; then
  python3 -c 'import json, sys; d = json.load(sys.stdin); assert len(d["notRead"]) == 7' <<<"$json" ||
    fail "not one JSON object: $json"
fi

# Repaired, a damaged PDF is read by the next run, even with an older time.
printf '%%!PS\n/Helvetica findfont 14 scalefont setfont\n72 720 moveto (Quarterly heron figures) show\nshowpage\n' \
  > "$tmp/page.ps"
ps2pdf "$tmp/page.ps" "$docs/broken3.pdf" || fail "ps2pdf"
touch -d 2001-01-01 "$docs/broken3.pdf"
out=$("$vedra" --workdir "$work" index "$docs" 2>/dev/null)
grep -qx "Files not read: 6" <<<"$out" || fail "repaired file still not read: $out"
rows=$("$vedra" --workdir "$work" search heron 2>/dev/null | cut -f1)
[ "$rows" = "$docs/broken3.pdf" ] || fail "repaired PDF not found: $rows"

# A file without read permission (root reads it all the same).
if [ "$(id -u)" != 0 ]; then
  printf 'locked egret words\n' > "$docs/locked.txt"
  chmod 000 "$docs/locked.txt"
  json=$("$vedra" --workdir "$work" index "$docs" --json 2>/dev/null)
  grep -q "{\"path\": \"$docs/locked.txt\", \"reason\": \"permission denied\"}" <<<"$json" ||
    fail "locked file: $json"
  chmod 644 "$docs/locked.txt"
  "$vedra" --workdir "$work" index "$docs" >/dev/null 2>&1
  rows=$("$vedra" --workdir "$work" search egret 2>/dev/null | cut -f1)
  [ "$rows" = "$docs/locked.txt" ] || fail "unlocked file not found: $rows"
fi

if [ $failures -eq 0 ]; then echo "1 passed, 0 failed"; exit 0; fi
echo "0 passed, 1 failed"; exit 1
