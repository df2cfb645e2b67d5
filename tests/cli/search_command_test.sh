#!/usr/bin/env bash
# `vedra search` over a small indexed tree: AND, OR, filters, all archives.
source "$(dirname "${BASH_SOURCE[0]}")/test_support.sh"

work=$tmp/work
mkdir -p "$work" "$tmp/docs/sub" "$tmp/other"
printf 'Perch\xe9 la citt\xe0 \xe8 bella, house\n' > "$tmp/docs/a.txt"
printf 'house garden window\n' > "$tmp/docs/sub/b.html"
printf 'garden party tonight\n' > "$tmp/other/c.txt"
"$vedra" --workdir "$work" create docs >/dev/null 2>&1 || fail "create docs"
"$vedra" --workdir "$work" index "$tmp/docs" >/dev/null 2>&1 || fail "index docs"

out=$("$vedra" --workdir "$work" search città 2>/dev/null)
[ "$(cut -f1 <<<"$out")" = "$tmp/docs/a.txt" ] || fail "città (UTF-8 query) finds the cp1252 document: $out"
[ "$(cut -f4 <<<"$out")" = "citta " ] || fail "words column: $out"
[ "$(cut -f5 <<<"$out")" = "C_DOCS_1" ] || fail "archive column: $out"
[ "$(awk -F'\t' '{print NF}' <<<"$out")" = 6 ] || fail "six columns: $out"

out=$("$vedra" --workdir "$work" search house garden 2>/dev/null)
[ "$out" != "" ] && [ "$(wc -l <<<"$out")" = 1 ] || fail "AND: $out"
[ "$(cut -f1 <<<"$out")" = "$tmp/docs/sub/b.html" ] || fail "AND row: $out"
out=$("$vedra" --workdir "$work" search house garden --or 2>/dev/null)
[ "$(wc -l <<<"$out")" = 2 ] || fail "OR: $out"
out=$("$vedra" --workdir "$work" search house --files .html 2>/dev/null)
[ "$(cut -f1 <<<"$out")" = "$tmp/docs/sub/b.html" ] || fail "--files .html: $out"
"$vedra" --workdir "$work" search nothingsuch >/dev/null 2>"$tmp/err"
grep -q "The search has ended." "$tmp/err" || fail "no search-ended message"

# Words OR: every indexed word that contains the text, one row per word.
out=$("$vedra" --workdir "$work" search ard --words-or 2>/dev/null)
[ "$(cut -f4 <<<"$out")" = "garden " ] || fail "--words-or: $out"
# Direct on disk: the files under the root whose text holds the word, archive or not.
out=$("$vedra" --workdir "$work" search party --on-disk "$tmp/other" 2>/dev/null)
[ "$(cut -f1 <<<"$out")" = "$tmp/other/c.txt" ] || fail "--on-disk: $out"
"$vedra" --workdir "$work" search house --contiguous 4 >/dev/null 2>"$tmp/err"; [ $? -eq 2 ] || fail "--contiguous 4 accepted"
grep -q "5 to 500" "$tmp/err" || fail "--contiguous message: $(cat "$tmp/err")"
# The extract file of the first rows follows the rows.
out=$("$vedra" --workdir "$work" search window --extracts 2>/dev/null)
grep -q "^ File: .* - $tmp/docs/sub/b.html" <<<"$out" || fail "--extracts document line: $out"
grep -q "^\.\.\.\.\. house garden \[\[window\]\]" <<<"$out" || fail "--extracts excerpt, the hit marked: $out"
[ -f "$work/Magazzino/estratti.vedra" ] || [ -n "$(find "$work" -name estratti.vedra)" ] || fail "extract file written"

"$vedra" --workdir "$work" create other >/dev/null 2>&1 || fail "create other"
"$vedra" --workdir "$work" index "$tmp/other" >/dev/null 2>&1 || fail "index other"
out=$("$vedra" --workdir "$work" search garden --all-archives 2>/dev/null)
[ "$(cut -f5 <<<"$out" | sort | tr '\n' ' ')" = "C_DOCS_1 C_OTHER_2 " ] || fail "all archives: $out"
grep -qx "Current archive: C_OTHER_2" <<<"$("$vedra" --workdir "$work" info)" || fail "current archive restored"

"$vedra" --workdir "$work" search >/dev/null 2>&1; [ $? -eq 2 ] || fail "no words accepted"

# The preview of one file with its hits marked.
out=$("$vedra" --workdir "$work" show "$tmp/docs/a.txt" citta 2>/dev/null)
grep -q "la \[\[città\]\] è bella" <<<"$out" || fail "show marks the hit: $out"
grep -qx "Pos: 0" <<<"$out" || fail "show position: $out"
"$vedra" --workdir "$work" show "$tmp/missing.txt" x >/dev/null 2>&1; [ $? -eq 1 ] || fail "show of a missing file"

if [ $failures -eq 0 ]; then echo "1 passed, 0 failed"; exit 0; fi
echo "0 passed, 1 failed"; exit 1
