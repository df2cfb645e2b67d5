#!/usr/bin/env bash
# Two `vedra index` runs started together on one archive, with searches looping
# beside them: the second stops at once naming the first (status 75) and changes
# nothing, the first loses no document, and no search fails. Then a run killed
# with SIGKILL: the next run is not blocked by it.
#
# The first run is kept busy for a few seconds by a pdftotext of the working
# folder that takes its time over every PDF.
source "$(dirname "${BASH_SOURCE[0]}")/test_support.sh"
export HOME=$tmp/home
mkdir -p "$HOME"

work=$tmp/work
mkdir -p "$work"
cat > "$work/pdftotext" <<'STUB'
#!/bin/sh
# -eol dos IN OUT: the "PDF" is plain text already.
sleep 0.2
cp "$3" "$4"
STUB
chmod +x "$work/pdftotext"

treeA=$tmp/first
treeB=$tmp/second
mkdir -p "$treeB" "$treeA"/d{0..3} "$treeA"/t{0..7}
for i in $(seq 1 24); do
  printf 'pelican report quarto%s\n' "$i" > "$treeA/d$((i % 4))/paper$i.pdf"
done
for i in $(seq 1 200); do
  printf 'pelican notes quinto%s\n' "$i" > "$treeA/t$((i % 8))/note$i.txt"
done
for i in $(seq 1 20); do
  printf 'heron notes sesto%s\n' "$i" > "$treeB/b$i.txt"
done

v() { "$vedra" --workdir "$work" "$@"; }
v create lock >/dev/null 2>&1 || fail "create"
archive=$(find "$tmp" -maxdepth 3 -type d -name 'C_LOCK_*' | head -1)
[ -d "$archive" ] || { fail "no archive folder"; exit 1; }
lockfile=$archive/.vedra-writer.lock

# Searches in a loop until told to stop; every failure is kept.
search_loop() {
  local n=0
  while [ ! -e "$tmp/stop" ]; do
    n=$((n + 1))
    v search pelican >"$tmp/s.out" 2>"$tmp/s.err"
    rc=$?
    # Before the first run closes, the last completed state is the empty archive.
    other=$(grep -v -x -e 'The search has ended.' -e 'Archive empty. Run indexing.' -e '' "$tmp/s.err")
    if [ $rc -ne 0 ] || [ -n "$other" ]; then
      echo "search $n: status $rc: $other" >> "$tmp/search.failures"
    fi
  done
  echo "$n" > "$tmp/search.count"
}
search_loop &
searcher=$!

"$vedra" --workdir "$work" index "$treeA" >"$tmp/a.out" 2>"$tmp/a.err" &
first=$!
# The first run holds the lock once its number is in the file.
for _ in $(seq 1 100); do
  [ "$(head -n 1 "$lockfile" 2>/dev/null)" = "$first" ] && break
  sleep 0.05
done
[ "$(head -n 1 "$lockfile" 2>/dev/null)" = "$first" ] || fail "the first run never took the lock"

started=$(date +%s%N)
v index "$treeB" >"$tmp/b.out" 2>"$tmp/b.err"
status=$?
took_ms=$(( ($(date +%s%N) - started) / 1000000 ))
kill -0 "$first" 2>/dev/null || fail "the first run had ended before the second was refused: the test proves nothing"
[ $status -eq 75 ] || fail "second run: status $status, not 75"
grep -q "^Another indexing run (PID $first, vedra --workdir $work index $treeA) is writing this archive; try again when it has ended\.$" "$tmp/b.err" ||
  fail "second run's message: $(cat "$tmp/b.err")"
grep -q "cut off" "$tmp/b.err" && fail "the second run took the live run for one cut off"
[ -s "$tmp/b.out" ] && fail "the second run printed a summary: $(cat "$tmp/b.out")"
[ $took_ms -lt 3000 ] || fail "the second run waited ${took_ms} ms instead of stopping at once"

wait "$first"; status=$?
[ $status -eq 0 ] || fail "first run: status $status: $(cat "$tmp/a.err")"
grep -q "cut off" "$tmp/a.err" && fail "the first run's journal was undone: $(cat "$tmp/a.err")"
touch "$tmp/stop"
wait "$searcher"

[ -e "$tmp/search.failures" ] && fail "searches failed beside the runs: $(head -5 "$tmp/search.failures")"
[ "$(cat "$tmp/search.count" 2>/dev/null || echo 0)" -ge 3 ] || fail "too few searches ran beside the runs"

# Nothing of the first tree was lost; the refused run added nothing.
[ "$(v search pelican 2>/dev/null | wc -l)" -eq 224 ] || fail "pelican: $(v search pelican 2>/dev/null | wc -l) rows, not 224"
missing=0
for i in $(seq 1 24); do
  [ "$(v search "quarto$i" 2>/dev/null | cut -f1)" = "$treeA/d$((i % 4))/paper$i.pdf" ] || missing=$((missing + 1))
done
[ $missing -eq 0 ] || fail "$missing PDFs of the first run not found by their own word"
[ -z "$(v search heron 2>/dev/null)" ] || fail "the refused run wrote documents"

# Free again: the second tree goes in now.
v index "$treeB" >/dev/null 2>"$tmp/b.err" || fail "the second tree after the first run: $(cat "$tmp/b.err")"
[ "$(v search heron 2>/dev/null | wc -l)" -eq 20 ] || fail "heron after the second run"

# A run killed while it holds the lock never blocks the next one.
touch "$treeA"/t1/*.txt "$treeA"/d1/*.pdf
"$vedra" --workdir "$work" index "$treeA" >/dev/null 2>&1 &
killed=$!
for _ in $(seq 1 100); do
  [ "$(head -n 1 "$lockfile" 2>/dev/null)" = "$killed" ] && break
  sleep 0.05
done
sleep 0.3
kill -KILL "$killed" 2>/dev/null || fail "the run to kill had ended already: the test proves nothing"
{ wait "$killed"; } 2>/dev/null
v index "$treeA" >/dev/null 2>"$tmp/c.err"; status=$?
[ $status -eq 0 ] || fail "the run after a killed one: status $status: $(cat "$tmp/c.err")"
grep -q "cut off" "$tmp/c.err" || fail "the killed run's changes were not undone: $(cat "$tmp/c.err")"
grep -q "Another indexing run" "$tmp/c.err" && fail "the killed run still blocks: $(cat "$tmp/c.err")"
[ "$(v search pelican 2>/dev/null | wc -l)" -eq 224 ] || fail "pelican after the killed run"

exit $((failures > 0))
