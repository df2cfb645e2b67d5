#!/usr/bin/env bash
# `vedra stats`: the word-statistics report of one file in three languages.
source "$(dirname "${BASH_SOURCE[0]}")/test_support.sh"

work=$tmp/work
mkdir -p "$work"
printf 'casa, la casa e il casale\n' > "$tmp/doc.txt"
printf 'La citt\xc3\xa0 e la Citt\xc3\xa0\n' > "$tmp/utf8.txt"

out=$("$vedra" --workdir "$work" stats "$tmp/doc.txt" casa 2>/dev/null)
[ "$(head -1 <<<"$out")" = "Words serched: casa" ] || fail "title: $out"
grep -qx "Files found :1" <<<"$out" || fail "files heading: $out"
grep -qx "Results of casa: 2" <<<"$out" || fail "whole words count casa twice: $out"
grep -qx "     \*\*WORDW STATISTICS\*\*" <<<"$out" || fail "red heading marked: $out"
[ "$(sed -n '/STATISTICS/,$p' <<<"$out" | tail -n +2 | tr '\n' ' ')" = \
  "casa: 2 casale: 1 e: 1 il: 1 la: 1 DIFFERENT: 5 TOTAL: 6 " ] || fail "word list: $out"

out=$("$vedra" --workdir "$work" --lang it stats "$tmp/doc.txt" casa --or 2>/dev/null)
grep -qx "Eventi di casa: 3" <<<"$out" || fail "words OR counts casa three times: $out"
grep -qx "     \*\*STATISTICA PAROLE\*\*" <<<"$out" || fail "Italian heading: $out"

out=$("$vedra" --workdir "$work" --lang es stats "$tmp/utf8.txt" città 2>/dev/null)
[ "$(head -1 <<<"$out")" = "Palabras clave de búsquedacittà" ] || fail "Spanish title in UTF-8: $out"
grep -qx "Eventos: citta: 2" <<<"$out" || fail "UTF-8 document read as the folded text: $out"
grep -qx " \*\*PALABRAS ESTADÍSTICAS\*\*" <<<"$out" || fail "Spanish heading: $out"

"$vedra" --workdir "$work" stats "$tmp/missing.txt" casa >"$tmp/out" 2>"$tmp/err"
[ $? -eq 1 ] || fail "missing file exit code"
[ "$(tail -1 "$tmp/out")" = "Past time: 0.00 s" ] || fail "missing file ends after the heading: $(cat "$tmp/out")"
grep -q "impossible to read the file" "$tmp/err" || fail "missing file reported: $(cat "$tmp/err")"
"$vedra" --workdir "$work" stats >/dev/null 2>&1; [ $? -eq 2 ] || fail "no file accepted"

head -c 20000 /dev/urandom > "$tmp/binary.bin"
"$vedra" --workdir "$work" stats "$tmp/binary.bin" >/dev/null 2>&1 || fail "binary file"

if [ $failures -eq 0 ]; then echo "1 passed, 0 failed"; exit 0; fi
echo "0 passed, 1 failed"; exit 1
