#!/usr/bin/env bash
# `vedra index`: counters, a no-op second run, bad input, and Ctrl-C keeping the
# resume point.
set -u
vedra=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

work=$tmp/work
mkdir -p "$work" "$tmp/docs/sub"
printf 'Perch\xe9 la citt\xe0 \xe8 bella\n' > "$tmp/docs/a.txt"
printf 'house garden window\n' > "$tmp/docs/sub/b.txt"

"$vedra" --workdir "$work" index "$tmp/docs" >/dev/null 2>"$tmp/err"; [ $? -eq 1 ] || fail "index without an archive"
grep -q "To operate is necessary to initialize an archive." "$tmp/err" || fail "no need-archive message"

"$vedra" --workdir "$work" create docs >/dev/null 2>&1 || fail "create"
out=$("$vedra" --workdir "$work" index "$tmp/docs" 2>"$tmp/err"); rc=$?
[ $rc -eq 0 ] || fail "index exited $rc: $(cat "$tmp/err")"
grep -qx "Folders scanned: 1" <<<"$out" || fail "folders line: $out"
grep -qx "Files with text indexed: 2" <<<"$out" || fail "files line: $out"
grep -q "^Words indexed: [1-9]" <<<"$out" || fail "words line: $out"
grep -qx "Total files: 2" <<<"$out" || fail "total line: $out"

cp -r "$work/C_DOCS_1" "$tmp/before"
out=$("$vedra" --workdir "$work" --lang it index "$tmp/docs" 2>/dev/null)
grep -qx "Parole indicizzate: 0" <<<"$out" || fail "second run indexed words: $out"
for f in IND.1 PAR.1 LNK.1 RCP.1 ORD.1 PTH.1 RAD.1; do
  cmp -s "$tmp/before/$f" "$work/C_DOCS_1/$f" || fail "$f changed on a no-op run"
done

"$vedra" --workdir "$work" index "$tmp/missing" >/dev/null 2>&1; [ $? -eq 1 ] || fail "missing folder accepted"
"$vedra" --workdir "$work" index >/dev/null 2>&1; [ $? -eq 2 ] || fail "no path accepted"
"$vedra" --workdir "$work" index "$tmp/docs" --bogus >/dev/null 2>&1; [ $? -eq 2 ] || fail "bad option accepted"

# --update reads a changed file again and counts it as updated.
printf 'house garden window lantern\n' > "$tmp/docs/sub/b.txt"
touch -d '+1 hour' "$tmp/docs/sub/b.txt"
out=$("$vedra" --workdir "$work" index --update "$tmp/docs" 2>"$tmp/err"); rc=$?
[ $rc -eq 0 ] || fail "update exited $rc: $(cat "$tmp/err")"
grep -qx "Files updated with text indexed: 1" <<<"$out" || fail "update line: $out"
grep -qx "New files with text indexed: 0" <<<"$out" || fail "update added files: $out"

# Ctrl-C during a long run: the run stops, the archive closes, the resume point stays.
mkdir -p "$tmp/big"
for i in $(seq 1 60); do
  mkdir -p "$tmp/big/d$i"
  yes "alpha beta gamma delta house garden window $i" | head -c 4000000 > "$tmp/big/d$i/f.txt"
done
"$vedra" --workdir "$work" index "$tmp/big" >"$tmp/out" 2>"$tmp/err" &
pid=$!
# 240 MB take seconds to read; the signal comes well before the end.
sleep 0.4
kill -INT $pid
wait $pid; rc=$?
[ $rc -eq 130 ] || fail "Ctrl-C exit code $rc (output: $(cat "$tmp/out"))"
grep -q "The indexing of the disk is not completed." "$tmp/err" || fail "no incomplete-run message"
resume=$(head -c 512 "$work/C_DOCS_1/NTD.1" | tr -d '\0')
[[ "$resume" == "$tmp/big/"* ]] || fail "resume point '$resume'"
out=$("$vedra" --workdir "$work" index "$tmp/big" 2>"$tmp/err"); rc=$?
[ $rc -eq 0 ] || fail "resumed run exited $rc"
grep -q "Completion of indexing interrupted." "$tmp/err" || fail "no resume message"
[ -z "$(head -c 1024 "$work/C_DOCS_1/NTD.1" | tr -d '\0')" ] || fail "resume point not cleared"

if [ $failures -eq 0 ]; then echo "1 passed, 0 failed"; exit 0; fi
echo "0 passed, 1 failed"; exit 1
