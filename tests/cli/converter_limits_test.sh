#!/usr/bin/env bash
# Converters under limits, and a run stopped by SIGTERM. The working folder's own
# "pdftotext" is a script: one PDF makes it hang, one makes it allocate without
# end, the others are converted at once.
source "$(dirname "${BASH_SOURCE[0]}")/test_support.sh"

work=$tmp/work
docs=$tmp/docs
mkdir -p "$work" "$docs"
"$vedra" --workdir "$work" create limits >/dev/null 2>&1 || fail "create"

# argv: -eol dos PDF OUTPUT
cat > "$work/pdftotext" <<'SCRIPT'
#!/bin/sh
case "$3" in
  *hang*) echo $$ >> "${0%/*}/hung"; trap '' TERM; exec /bin/sleep 600 ;;
  *swell*) x=0123456789; while :; do x=$x$x; done ;;
  *slow*) echo $$ >> "${0%/*}/slow"; /bin/sleep 30 ;;
esac
printf 'converted wombat %s\n' "${3##*/}" > "$4"
SCRIPT
chmod +x "$work/pdftotext"
for name in alpha hang omega swell; do echo "%PDF-1.4 $name" > "$docs/$name.pdf"; done
echo "a wombat in plain text" > "$docs/notes.txt"

start=$(date +%s)
out=$(timeout 60 "$vedra" --workdir "$work" index --converter-time 1 --converter-memory 64 "$docs" 2>"$tmp/err"); rc=$?
took=$(( $(date +%s) - start ))
[ $rc -eq 0 ] || fail "index with a hanging converter exited $rc: $(cat "$tmp/err")"
[ $took -le 8 ] || fail "the run took ${took}s with a 1 s converter limit"
for name in hang swell; do
  grep -qx "ERRORE in DECOMPATTAZIONE pdf $docs/$name.pdf (.*)" <<<"$out" || fail "$name.pdf not listed: $out"
done
grep -qx "Files not read: 2" <<<"$out" || fail "the summary does not count the two: $out"
grep -qx "  $docs/hang.pdf: converter past its time or memory limit" <<<"$out" || fail "hang.pdf not named: $out"
grep -q "^  $docs/swell.pdf: " <<<"$out" || fail "swell.pdf not named: $out"
rows=$("$vedra" --workdir "$work" search wombat 2>/dev/null | cut -f1 | sort | tr '\n' ' ')
[ "$rows" = "$docs/alpha.pdf $docs/notes.txt $docs/omega.pdf " ] || fail "good files found: $rows"
[ -s "$work/hung" ] || fail "the hanging converter never started"
while read -r pid; do
  kill -0 "$pid" 2>/dev/null && fail "the hanging converter $pid outlived its limit"
done < <(cat "$work/hung" 2>/dev/null)
rm -f "$docs/hang.pdf" "$docs/swell.pdf"

# --converter-time takes seconds, not words.
"$vedra" --workdir "$work" index --converter-time soon "$docs" >/dev/null 2>"$tmp/err"
[ $? -eq 2 ] || fail "a bad --converter-time was taken"
grep -q "converter-time" "$tmp/err" || fail "the message names the option: $(cat "$tmp/err")"

# SIGTERM while converters run: they end, their folder goes, the next run reads all.
for i in 1 2 3; do echo "%PDF-1.4 slow$i" > "$docs/slow$i.pdf"; done
"$vedra" --workdir "$work" index "$docs" >/dev/null 2>&1 &
run=$!
for _ in $(seq 100); do [ -s "$work/slow" ] && break; sleep 0.05; done
[ -s "$work/slow" ] || fail "no slow converter started"
kill -TERM $run
wait $run; rc=$?
[ $rc -eq 143 ] || fail "the run stopped by SIGTERM exited $rc"
while read -r pid; do
  for _ in $(seq 20); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
  kill -0 "$pid" 2>/dev/null && fail "converter $pid outlived the stopped run"
done < "$work/slow"
ls "$work/vedratemp" | grep -q '^pdf-' && fail "the converters' folder stayed: $(ls "$work/vedratemp")"
printf '#!/bin/sh\nprintf "converted wombat %%s\\n" "${3##*/}" > "$4"\n' > "$work/pdftotext"
"$vedra" --workdir "$work" index "$docs" >/dev/null 2>&1 || fail "the run after the stop"
rows=$("$vedra" --workdir "$work" search wombat 2>/dev/null | cut -f1 | sort | tr '\n' ' ')
expected="$docs/alpha.pdf $docs/notes.txt $docs/omega.pdf $docs/slow1.pdf $docs/slow2.pdf $docs/slow3.pdf "
[ "$rows" = "$expected" ] || fail "after the stop and one more run: $rows"

if [ $failures -eq 0 ]; then echo "1 passed, 0 failed"; exit 0; fi
echo "0 passed, 1 failed"; exit 1
