#!/usr/bin/env bash
# A re-run of `vedra index` over an unchanged tree looks at each file at most once
# and at no folder: its stat-family calls, counted by strace, stay within the
# files and folders of the tree plus what start-up costs, however many there are.
source "$(dirname "${BASH_SOURCE[0]}")/test_support.sh"

skip() {
  echo "skipped: $1"
  echo "0 passed, 0 failed, 1 skipped"
  exit 0
}
command -v strace >/dev/null || skip "strace is missing (install the Debian package strace)"
strace -f -o /dev/null true 2>/dev/null || skip "strace cannot trace here (ptrace not allowed)"

# Start-up and the archive's own files: a fixed number of calls, whatever the tree.
start_up_allowance=150

# The stat-family calls of one `vedra index` of the tree, summed over strace -c's rows.
# (LeakSanitizer cannot work under ptrace: a sanitized build runs without it here.)
stat_calls() {
  ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0 strace -f -c -o "$tmp/count" -e trace=%stat,%lstat,%fstat \
    "$vedra" --workdir "$tmp/work" --lang en index "$tmp/tree" >"$tmp/out" 2>&1 || return 1
  awk '$NF != "total" && $NF != "syscall" && $1 ~ /^[0-9.]+$/ { n += $4 } END { print n + 0 }' "$tmp/count"
}

# A tree with files at every level, links to a file and to a folder and a FIFO
# (none of which the run follows or reads), and a PDF, which the run looks at ahead
# of the walk to convert it while the walk goes on.
files=0 folders=1
mkdir -p "$tmp/tree"
for a in 1 2 3 4 5 6; do
  for b in 1 2 3 4 5; do
    folder="$tmp/tree/part$a/sub$b"
    mkdir -p "$folder"
    for f in $(seq 1 12); do
      printf 'alpha beta file%s part%s sub%s\n' "$f" "$a" "$b" >"$folder/note$f.txt"
    done
    files=$((files + 12))
  done
  printf 'gamma delta\n' >"$tmp/tree/part$a/readme"
  files=$((files + 1))
done
folders=$((folders + 6 + 30))
ln -s part1/sub1/note1.txt "$tmp/tree/to-file"
ln -s part2 "$tmp/tree/to-folder"
mkfifo "$tmp/tree/pipe"
if command -v pdftotext >/dev/null; then
  body='BT /F1 12 Tf 72 720 Td (lantern harbour) Tj ET'
  objects=("<< /Type /Catalog /Pages 2 0 R >>"
    "<< /Type /Pages /Kids [3 0 R] /Count 1 >>"
    "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R /Resources << /Font << /F1 5 0 R >> >> >>"
    "<< /Length ${#body} >>
stream
$body
endstream"
    "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>")
  pdf='%PDF-1.4'$'\n' offsets=()
  for i in "${!objects[@]}"; do
    offsets+=("${#pdf}")
    pdf+="$((i + 1)) 0 obj"$'\n'"${objects[$i]}"$'\n'"endobj"$'\n'
  done
  xref=${#pdf}
  pdf+="xref"$'\n'"0 6"$'\n'"0000000000 65535 f "$'\n'
  for offset in "${offsets[@]}"; do pdf+="$(printf '%010d 00000 n ' "$offset")"$'\n'; done
  pdf+="trailer"$'\n'"<< /Size 6 /Root 1 0 R >>"$'\n'"startxref"$'\n'"$xref"$'\n'"%%EOF"$'\n'
  printf '%s' "$pdf" >"$tmp/tree/part3/paper.pdf"
  files=$((files + 1))
fi

"$vedra" --workdir "$tmp/work" create notes >/dev/null 2>&1 || fail "create"
"$vedra" --workdir "$tmp/work" --lang en index "$tmp/tree" >"$tmp/first" 2>&1 || fail "first run: $(cat "$tmp/first")"

calls=$(stat_calls) || fail "re-run under strace: $(cat "$tmp/out")"
grep -qx "Words indexed: 0" "$tmp/out" || fail "the re-run was no no-op: $(cat "$tmp/out")"
grep -qx "Files updated with text indexed: 0" "$tmp/out" || fail "the re-run updated files: $(cat "$tmp/out")"
limit=$((files + folders + start_up_allowance))
[ "$calls" -le "$limit" ] ||
  fail "$calls stat-family calls for $files files and $folders folders (at most $limit): $(sort -k4 -n -r "$tmp/count" | head -n 6)"

# Twice the files: the calls grow by at most one a file.
for a in 1 2 3 4 5 6; do
  for b in 1 2 3 4 5; do
    for f in $(seq 13 24); do printf 'alpha epsilon\n' >"$tmp/tree/part$a/sub$b/note$f.txt"; done
  done
done
"$vedra" --workdir "$tmp/work" --lang en index "$tmp/tree" >/dev/null 2>&1 || fail "run over the added files"
more=$(stat_calls) || fail "second re-run under strace: $(cat "$tmp/out")"
[ $((more - calls)) -le 360 ] || fail "360 files added cost $((more - calls)) more stat-family calls"

# A file rewritten with the same size and a later time is still read again.
printf 'alpha betb file1 part4 sub2\n' >"$tmp/tree/part4/sub2/note1.txt"
touch -d '+1 hour' "$tmp/tree/part4/sub2/note1.txt"
"$vedra" --workdir "$tmp/work" --lang en index "$tmp/tree" >"$tmp/out" 2>&1 || fail "run after the change"
grep -qx "Files updated with text indexed: 1" "$tmp/out" || fail "the changed file was not read: $(cat "$tmp/out")"

if [ $failures -eq 0 ]; then echo "1 passed, 0 failed"; exit 0; fi
echo "0 passed, 1 failed"; exit 1
