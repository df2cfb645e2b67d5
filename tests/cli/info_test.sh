#!/usr/bin/env bash
# `vedra info` on a fresh working folder and under a "vedraprog" folder.
source "$(dirname "${BASH_SOURCE[0]}")/test_support.sh"

mkdir -p "$tmp/x"
out=$("$vedra" --workdir "$tmp/x" info 2>"$tmp/err"); rc=$?
[ $rc -eq 0 ] || fail "info exited $rc"
for d in vedrareport vedratemp download_vedratemp; do
  [ -d "$tmp/x/$d" ] || fail "folder $d not created"
done
[ "$(cat "$tmp/x/LinguaVedra.vedra")" = "inglese inglese " ] || fail "language file content"
[ "$(stat -c %s "$tmp/x/LinguaVedra.vedra")" = 16 ] || fail "language file size"
grep -qx "Language: English" <<<"$out" || fail "language line: $out"
grep -qx "Current archive: (none)" <<<"$out" || fail "archive line"
grep -qx "Working folder: $tmp/x/" <<<"$out" || fail "working folder line"
grep -qx "Root folder: $tmp/x/" <<<"$out" || fail "root folder line"
grep -q "^Dictionary buffer: [1-9][0-9]* bytes$" <<<"$out" || fail "buffer line"
[ ! -s "$tmp/err" ] || fail "unexpected messages: $(cat "$tmp/err")"

# The root folder lies above a working folder named vedraprog.
mkdir -p "$tmp/Home/VedraProg"
out=$(cd "$tmp/Home/VedraProg" && "$vedra" --lang it info)
grep -qx "Root folder: $tmp/Home/" <<<"$out" || fail "vedraprog root: $out"
grep -qx "Working folder: $tmp/Home/VedraProg/" <<<"$out" || fail "vedraprog working folder"
grep -qx "Language: Italian" <<<"$out" || fail "--lang it"
[ "$(cat "$tmp/Home/VedraProg/LinguaVedra.vedra")" = "inglese inglese " ] || fail "--lang must not rewrite the language file"

# Bad usage is refused with a message and exit code 2.
"$vedra" --lang fr info >/dev/null 2>"$tmp/err"; [ $? -eq 2 ] || fail "--lang fr accepted"
grep -q "unknown language" "$tmp/err" || fail "no message for --lang fr"
"$vedra" frobnicate >/dev/null 2>&1; [ $? -eq 2 ] || fail "unknown command accepted"
"$vedra" --help | grep -q "info" || fail "--help does not list info"

if [ $failures -eq 0 ]; then echo "1 passed, 0 failed"; exit 0; fi
echo "0 passed, 1 failed"; exit 1
