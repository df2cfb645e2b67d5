#!/usr/bin/env bash
# `vedra roots` and `vedra roots add`: the roots listed, added once, what a word
# without a root gets, the hint after a search met a word whose root is missing,
# and the default roots letting technical words be registered.
source "$(dirname "${BASH_SOURCE[0]}")/test_support.sh"

work=$tmp/work
mkdir -p "$work/Lemmi/Radici" "$tmp/docs"
printf 'casa parola\n' > "$work/Lemmi/Radici/RadiciParole.txt"
printf 'casa json tcpdump\n' > "$tmp/docs/a.txt"

out=$("$vedra" --workdir "$work" roots 2>"$tmp/err"); rc=$?
[ $rc -eq 1 ] || fail "roots without an archive exited $rc"
grep -q "necessary to initialize an archive" "$tmp/err" || fail "no need-archive message: $(cat "$tmp/err")"

"$vedra" --workdir "$work" create prova >/dev/null 2>&1 || fail "create"
[ "$("$vedra" --workdir "$work" roots)" = "$(printf 'cas\npar')" ] || fail "roots listed: $("$vedra" --workdir "$work" roots)"
[ "$("$vedra" --workdir "$work" roots list)" = "$(printf 'cas\npar')" ] || fail "roots list"
"$vedra" --workdir "$work" index "$tmp/docs" >/dev/null 2>&1 || fail "index"

# A search for a word without a root: the message as always, then the hint.
out=$("$vedra" --workdir "$work" search json 2>"$tmp/err"); rc=$?
[ -z "$out" ] || fail "json found before its root: $out"
grep -qF 'The root of the word' "$tmp/err" || fail "no root message: $(cat "$tmp/err")"
grep -qx 'To add the root to the archive: vedra roots add json' "$tmp/err" || fail "no hint: $(cat "$tmp/err")"
"$vedra" --workdir "$work" --lang it search json 2>&1 | grep -qx "Per aggiungere la radice all'archivio: vedra roots add json" ||
  fail "no Italian hint"
"$vedra" --workdir "$work" search casa 2>&1 | grep -q 'vedra roots add' && fail "a hint for a word that has its root"

rad=$tmp/C_PROVA_1/RAD.1
[ -f "$rad" ] || rad=$work/C_PROVA_1/RAD.1
out=$("$vedra" --workdir "$work" roots add json Città 2012 2>"$tmp/err"); rc=$?
[ $rc -eq 0 ] || fail "roots add exited $rc: $(cat "$tmp/err")"
grep -qx 'json: root jso added' <<<"$out" || fail "json line: $out"
grep -qx 'Citta: root cit added' <<<"$out" || fail "citta line: $out"
grep -qx '2012: no root: a word that begins with a digit is registered without one' <<<"$out" || fail "digit line: $out"
grep -q 'must be indexed again' <<<"$out" || fail "no re-index note: $out"
[ "$("$vedra" --workdir "$work" roots | tr '\n' ' ')" = "cas cit jso par " ] || fail "roots after add"

# Adding them again changes nothing.
before=$(md5sum < "$rad")
out=$("$vedra" --workdir "$work" roots add JSON) || fail "second add"
grep -qx 'JSON: root jso is in the archive already' <<<"$out" || fail "present line: $out"
grep -q 'indexed again' <<<"$out" && fail "re-index note with nothing added"
[ "$(md5sum < "$rad")" = "$before" ] || fail "RAD changed by adding a root it has"

# The document indexed before does not hold json until it is read again.
touch -d '+1 minute' "$tmp/docs/a.txt"
"$vedra" --workdir "$work" index "$tmp/docs" >/dev/null 2>&1 || fail "index again"
"$vedra" --workdir "$work" search json 2>/dev/null | grep -q "$tmp/docs/a.txt" || fail "json not found after re-indexing"

"$vedra" --workdir "$work" roots add >/dev/null 2>&1; [ $? -eq 2 ] || fail "roots add without words"
"$vedra" --workdir "$work" roots remove x >/dev/null 2>&1; [ $? -eq 2 ] || fail "unknown roots form accepted"

# A damaged tree: the roots that can be read, a warning and status 1.
printf '\xff\xff\xff\x7f' | dd of="$rad" bs=1 seek=$((4 * 2500)) conv=notrunc 2>/dev/null
out=$("$vedra" --workdir "$work" roots 2>"$tmp/err"); rc=$?
[ $rc -eq 1 ] || fail "damaged listing exited $rc"
grep -q 'is damaged' "$tmp/err" || fail "no damage warning: $(cat "$tmp/err")"
grep -qx cas <<<"$out" || fail "sound roots not listed: $out"

# The default roots register the technical words of ordinary documentation.
fresh=$tmp/fresh
mkdir -p "$tmp/tech"
printf 'tcp gcc utf uuid png gtk json zlib spdx ifndef xhtml lgpl acpi jquery qstring mmap ssh dpkg chmod mkdir\n' \
  > "$tmp/tech/t.txt"
"$vedra" --workdir "$fresh" create tech >/dev/null 2>&1 || fail "create with the default roots"
"$vedra" --workdir "$fresh" index "$tmp/tech" >/dev/null 2>&1 || fail "index with the default roots"
for word in tcp gcc utf uuid png gtk json zlib spdx ifndef xhtml lgpl acpi jquery qstring mmap ssh dpkg chmod mkdir; do
  "$vedra" --workdir "$fresh" search "$word" 2>/dev/null | grep -q "$tmp/tech/t.txt" || fail "default roots drop $word"
done

if [ $failures -eq 0 ]; then echo "1 passed, 0 failed"; exit 0; fi
echo "0 passed, 1 failed"; exit 1
