#!/usr/bin/env bash
# `vedra create` and `vedra archives` on a fresh working folder with a roots file.
source "$(dirname "${BASH_SOURCE[0]}")/test_support.sh"
le32() { od -A n -t u4 -j "$2" -N 4 "$1" | tr -d ' '; }

work=$tmp/Home/vedraprog
mkdir -p "$work/Lemmi/Radici"
printf 'citta casa\nparola\n' > "$work/Lemmi/Radici/RadiciParole.txt"

out=$("$vedra" --workdir "$work" create prova 2>"$tmp/err"); rc=$?
[ $rc -eq 0 ] || fail "create exited $rc: $(cat "$tmp/err")"
grep -qx "Created archive C_PROVA_1 (number 1) in $tmp/Home/C_PROVA_1/" <<<"$out" || fail "create output: $out"
grep -qx "Root files read: 1" <<<"$out" || fail "roots line: $out"
grep -q "The archive is ready but empty" "$tmp/err" || fail "no ready-but-empty message"
cat=$tmp/Home/IND_ARC.PRI
[ -f "$cat" ] || fail "no catalogue above vedraprog"
[ "$(head -c 9 <(tail -c +101 "$cat"))" = "C_PROVA_1" ] || fail "entry 1 identification"
[ "$(le32 "$cat" 92)" = 1 ] || fail "current number"
[ "$(le32 "$cat" 184)" = 2 ] || fail "minimum length"
[ "$(le32 "$cat" 188)" = 16 ] || fail "truncation length"
for f in IND.1 FIL.1 FMM.1 DIR.1 PAR.1 ORD.1 RAD.1 NTD.1 PTH.1 CMP.1 LNK.1 RCP.1 SCM.1 NIN.1; do
  [ -f "$tmp/Home/C_PROVA_1/$f" ] || fail "missing $f"
done
# Three roots (cit, cas, par): 26004 bytes of buckets and three 12-byte nodes.
[ "$(stat -c %s "$tmp/Home/C_PROVA_1/RAD.1")" = $((26004 + 36)) ] || fail "RAD.1 size $(stat -c %s "$tmp/Home/C_PROVA_1/RAD.1")"

out=$("$vedra" --workdir "$work" create Seconda --disk d --cut 20 --min 3 --description "Archivio più bello" 2>/dev/null); rc=$?
[ $rc -eq 0 ] || fail "second create exited $rc"
grep -q "D_SECONDA_2 (number 2)" <<<"$out" || fail "second archive: $out"
[ "$(head -c 9 <(tail -c +101 "$cat"))" = "C_PROVA_1" ] || fail "archive 1 overwritten"
[ "$(le32 "$cat" 92)" = 2 ] || fail "current number after second create"
[ "$(od -A n -t x1 "$tmp/Home/D_SECONDA_2/DescrizioneArc.vedra" | tr -d ' \n')" = "$(printf 'Archivio pi\xf9 bello' | od -A n -t x1 | tr -d ' \n')" ] || fail "description file (cp1252)"
[ ! -e "$tmp/Home/C_PROVA_1/DescrizioneArc.vedra" ] || fail "an empty description wrote a file"

# A working folder without roots gets the default roots before its first archive.
fresh=$tmp/fresh
out=$("$vedra" --workdir "$fresh" create first 2>/dev/null) || fail "create in a fresh folder"
[ -s "$fresh/Lemmi/Radici/RadiciParole.txt" ] || fail "default roots not installed"
[ "$(stat -c %s "$fresh/C_FIRST_1/RAD.1")" -gt 60000 ] || fail "default roots not loaded"

out=$("$vedra" --workdir "$work" archives)
grep -q "^  1  C_PROVA_1  created " <<<"$out" || fail "archives line 1: $out"
grep -q "^\* 2  D_SECONDA_2  created .*words 4..20$" <<<"$out" || fail "archives line 2: $out"
out=$("$vedra" --workdir "$work" info)
grep -qx "Current archive: D_SECONDA_2" <<<"$out" || fail "info after create: $out"

# Bad input creates nothing.
"$vedra" --workdir "$work" create bad --cut 31 >/dev/null 2>"$tmp/err"; [ $? -eq 1 ] || fail "--cut 31 accepted"
grep -q "4 to 30" "$tmp/err" || fail "no message for --cut 31"
"$vedra" --workdir "$work" create "a/b" >/dev/null 2>&1; [ $? -eq 1 ] || fail "name with / accepted"
"$vedra" --workdir "$work" create "$(printf 'N%.0s' {1..51})" >/dev/null 2>&1; [ $? -eq 1 ] || fail "long name accepted"
"$vedra" --workdir "$work" create x --number 1 >/dev/null 2>"$tmp/err"; [ $? -eq 1 ] || fail "number in use accepted"
"$vedra" --workdir "$work" create x --min two >/dev/null 2>&1; [ $? -eq 2 ] || fail "--min two accepted"
"$vedra" --workdir "$work" create >/dev/null 2>&1; [ $? -eq 2 ] || fail "no name accepted"
[ "$("$vedra" --workdir "$work" archives | wc -l)" = 2 ] || fail "bad input changed the catalogue"

if [ $failures -eq 0 ]; then echo "1 passed, 0 failed"; exit 0; fi
echo "0 passed, 1 failed"; exit 1
