#!/usr/bin/env bash
# `vedra search` with words the indexer cuts or leaves out: the rows go to stdout,
# what was searched instead of the typed words to stderr, in the chosen language.
source "$(dirname "${BASH_SOURCE[0]}")/test_support.sh"

work=$tmp/work
mkdir -p "$work" "$tmp/docs"
printf 'the amd64 port builds for x86_64 on ext4\n' > "$tmp/docs/a.txt"
printf 'amd processor\n' > "$tmp/docs/b.txt"
printf '64 bits\n' > "$tmp/docs/c.txt"
"$vedra" --workdir "$work" create docs >/dev/null 2>&1 || fail "create docs"
"$vedra" --workdir "$work" index "$tmp/docs" >/dev/null 2>&1 || fail "index docs"

out=$("$vedra" --workdir "$work" search amd64 2>"$tmp/err")
[ "$(cut -f1 <<<"$out")" = "$tmp/docs/a.txt" ] || fail "amd64 finds the document, and not amd or 64 alone: $out"
[ "$(cut -f4 <<<"$out")" = "amd64 " ] || fail "the words column keeps the typed word: $out"
[ "$(cat "$tmp/err")" = "Searched for: amd 64." ] || fail "amd64 notice: $(cat "$tmp/err")"

out=$("$vedra" --workdir "$work" search x86_64 ext4 --or 2>"$tmp/err")
grep -q "^$tmp/docs/a.txt	" <<<"$out" || fail "x86_64 ext4 --or: $out"
[ "$(cat "$tmp/err")" = "Searched for: 6 64 ext 4. Not searched: x (too short), 8 (after a short word)." ] ||
    fail "x86_64 notice: $(cat "$tmp/err")"

# Nothing searchable: said, not silent, and the exit status stays 0 as for any search.
out=$("$vedra" --workdir "$work" search the of 2>"$tmp/err"); status=$?
[ $status -eq 0 ] && [ -z "$out" ] || fail "the of: status $status, rows $out"
[ "$(head -1 "$tmp/err")" = "No word to search. Not searched: the (stop word), of (too short)." ] ||
    fail "the of notice: $(cat "$tmp/err")"
grep -qx "The search has ended." "$tmp/err" || fail "the of: no search-ended message"

"$vedra" --workdir "$work" --lang it search amd64 2>"$tmp/err" >/dev/null
[ "$(cat "$tmp/err")" = "Cercate: amd 64." ] || fail "Italian notice: $(cat "$tmp/err")"

# Words searched as typed: stderr stays empty.
"$vedra" --workdir "$work" search port 2>"$tmp/err" >/dev/null
[ ! -s "$tmp/err" ] || fail "plain word: $(cat "$tmp/err")"

if [ $failures -eq 0 ]; then echo "1 passed, 0 failed"; exit 0; fi
echo "0 passed, 1 failed"; exit 1
