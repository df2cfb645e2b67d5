#!/usr/bin/env bash
# `vedra notes`, `vedra memo` and `vedra open` on a fresh archive. `open` only ever
# starts the test's own program, which records its arguments.
source "$(dirname "${BASH_SOURCE[0]}")/test_support.sh"

work=$tmp/Home/vedraprog
mkdir -p "$work" "$tmp/bin" "$tmp/docs"
"$vedra" --workdir "$work" create prova >/dev/null 2>&1 || fail "create"
archive=$tmp/Home/C_PROVA_1

"$vedra" --workdir "$work" notes search x >/dev/null 2>&1 || fail "search of an empty notes file"
out=$("$vedra" --workdir "$work" notes add la casa al mare 2>"$tmp/err") || fail "notes add: $(cat "$tmp/err")"
grep -qx "Saved in $archive/vedranote.txt" <<<"$out" || fail "saved line: $out"
grep -q "la \[\[casa\]\] al \[\[mare\]\]" <<<"$out" || fail "the new entry shown: $out"
"$vedra" --workdir "$work" notes add il casale >/dev/null 2>&1 || fail "second note"
[ "$(cat "$archive/vedranote.txt")" = "$(printf 'la casa al mare\r\n\r\nil casale\r\n\r')" ] || fail "notes file: $(od -c "$archive/vedranote.txt")"

"$vedra" --workdir "$work" --no notes add la casa al mare >/dev/null 2>"$tmp/err"; rc=$?
[ $rc -eq 1 ] || fail "declined duplicate exit $rc"
grep -q "This lemma is already present" "$tmp/err" || fail "duplicate question: $(cat "$tmp/err")"
[ "$(grep -c casa "$archive/vedranote.txt")" = 2 ] || fail "declined duplicate written"

out=$("$vedra" --workdir "$work" notes search casa 2>/dev/null)
grep -qx "Entries: 1" <<<"$out" || fail "whole words only: $out"
out=$("$vedra" --workdir "$work" notes search casa casale --or 2>/dev/null)
grep -qx "Entries: 2" <<<"$out" || fail "--or: $out"

out=$("$vedra" --workdir "$work" memo add 05/01/2099 renew the passport 2>/dev/null) || fail "memo add"
grep -q ": memorandum=5/1/2099 renew the passport" "$work/Magazzino/Agenda.Vedra" || fail "agenda: $(cat "$work/Magazzino/Agenda.Vedra")"
"$vedra" --workdir "$work" --no memo search passport >/dev/null 2>"$tmp/err"
grep -q "Due date: 5/1/2099" "$tmp/err" || fail "reminder box: $(cat "$tmp/err")"
grep -q "memorandum=" "$work/Magazzino/Agenda.Vedra" && fail "Cancel keeps the marker"
grep -q "renew the passport" "$work/Magazzino/Agenda.Vedra" || fail "the entry itself stays"
"$vedra" --workdir "$work" notes >/dev/null 2>&1; [ $? -eq 2 ] || fail "notes without a verb"

# The recorder: one argument per line into rec.argv.
cat > "$tmp/bin/rec" <<'SH'
#!/bin/sh
printf '%s\n' "$@" > "$0.argv.tmp" && mv "$0.argv.tmp" "$0.argv"
SH
chmod 755 "$tmp/bin/rec"
waitfor() { for _ in $(seq 100); do [ -f "$1" ] && return 0; sleep 0.05; done; return 1; }

doc="$tmp/docs/my \"odd\" file.txt"
echo text > "$doc"
out=$("$vedra" --workdir "$work" open "$doc" --with "$tmp/bin/rec" 2>"$tmp/err") || fail "open --with: $(cat "$tmp/err")"
waitfor "$tmp/bin/rec.argv" || fail "the program did not run"
[ "$(cat "$tmp/bin/rec.argv")" = "$doc" ] || fail "argv: $(cat "$tmp/bin/rec.argv")"
[ "$out" = "\"$tmp/bin/rec\" \"$doc\"" ] || fail "command line: $out"
rm -f "$tmp/bin/rec.argv"

# Through the associations: "rec=.tx" claims ".txt"; rec is found on PATH.
{ printf 'rec=.tx\r\n'; head -c $((512 - 9)) /dev/zero; } > "$archive/EXE.1"
(cd "$tmp/docs" && PATH="$tmp/bin:$PATH" "$vedra" --workdir "$work" open "my \"odd\" file.txt" >/dev/null 2>"$tmp/err") || fail "open: $(cat "$tmp/err")"
waitfor "$tmp/bin/rec.argv" || fail "the registered program did not run"
[ "$(cat "$tmp/bin/rec.argv")" = "$doc" ] || fail "registered argv: $(cat "$tmp/bin/rec.argv")"
rm -f "$tmp/bin/rec.argv"

printf '#!/bin/sh\ntouch "%s/ran"\n' "$tmp" > "$tmp/docs/script.sh"
"$vedra" --workdir "$work" open "$tmp/docs/script.sh" --with "$tmp/bin/rec" >/dev/null 2>"$tmp/err"; rc=$?
[ $rc -eq 1 ] || fail "script opened, exit $rc"
grep -q "Invalid option." "$tmp/err" || fail "refusal message: $(cat "$tmp/err")"
sleep 0.2
[ -f "$tmp/bin/rec.argv" ] && fail "the program ran on a script"
"$vedra" --workdir "$work" open >/dev/null 2>&1; [ $? -eq 2 ] || fail "open without a file"
(cd "$tmp" && "$vedra" --workdir "$work" open no-such-file.txt >/dev/null 2>"$tmp/err"); rc=$?
[ $rc -eq 1 ] && grep -q "no such file" "$tmp/err" || fail "a missing relative file is no web address ($rc)"

if [ $failures -eq 0 ]; then echo "1 passed, 0 failed"; exit 0; fi
echo "0 passed, 1 failed"; exit 1
