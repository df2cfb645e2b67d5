#!/usr/bin/env bash
# `vedra open` when the document's program is not installed: one message names it
# at once, and no folder outside the test's own is listed on the way (strace
# watches every directory read). A search of the disks would list "/" first.
source "$(dirname "${BASH_SOURCE[0]}")/test_support.sh"

strace=$(command -v strace) || { echo "skipped: strace is missing (install the Debian package strace)"; exit 0; }
"$strace" -f -o /dev/null true 2>/dev/null || { echo "skipped: strace may not trace here"; exit 0; }

work=$tmp/Home/vedraprog
mkdir -p "$work" "$tmp/bin" "$tmp/docs"
"$vedra" --workdir "$work" create prova >/dev/null 2>&1 || fail "create"
archive=$tmp/Home/C_PROVA_1
# ".txt" belongs to a program that no machine has.
record='vedra-no-such-viewer=.txt'
{ printf '%s\r\n' "$record"; head -c $((512 - ${#record} - 2)) /dev/zero; } > "$archive/EXE.1"
echo text > "$tmp/docs/a.txt"

# Every directory read or opened as a directory, one path a line.
listed() {
  grep -oE 'getdents64\([0-9]+<[^>]*>|openat\([^<]*<[^>]*>, "[^"]*", [^)]*O_DIRECTORY' "$1" |
    sed -E 's/^getdents64\([0-9]+<([^>]*)>$/\1/
            s/^openat\([^<]*<[^>]*>, "(\/[^"]*)".*/\1/
            s/^openat\([^<]*<([^>]*)>, "([^"]*)".*/\1\/\2/' | sort -u
}
outside() {
  listed "$1" | while IFS= read -r folder; do
    case "$folder" in
      "$tmp"/Home|"$tmp"/Home/*|"$tmp"/bin|"$tmp"/bin/*) ;;
      *) echo "$folder" ;;
    esac
  done
}

for round in first second; do
  # LeakSanitizer cannot work under a tracer: a sanitized build leaves it off here.
  PATH="$tmp/bin" ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" "$strace" -f -y -qq -e trace=openat,getdents64 -o "$tmp/trace.$round" \
    "$vedra" --workdir "$work" open "$tmp/docs/a.txt" >"$tmp/out" 2>"$tmp/err"
  rc=$?
  [ $rc -eq 1 ] || fail "$round open: exit $rc, $(cat "$tmp/err")"
  grep -q "The program vedra-no-such-viewer is not installed." "$tmp/err" || fail "$round message: $(cat "$tmp/err")"
  grep -q "^  $tmp/bin\$" "$tmp/err" || fail "$round message names no PATH folder: $(cat "$tmp/err")"
  grep -qi "locate\|patience\|patence" "$tmp/err" && fail "$round: a search of the disks was announced"
  [ "$(grep -c "vedra-no-such-viewer is not installed" "$tmp/err")" = 1 ] || fail "$round: one message: $(cat "$tmp/err")"
  bad=$(outside "$tmp/trace.$round")
  [ -z "$bad" ] || fail "$round: folders outside PATH and the working folder were listed: $(head -5 <<<"$bad")"
  grep -q 'getdents64' "$tmp/trace.$round" || grep -q 'openat' "$tmp/trace.$round" || fail "$round: strace saw nothing"
done

if [ $failures -eq 0 ]; then echo "1 passed, 0 failed"; exit 0; fi
echo "0 passed, 1 failed"; exit 1
