#!/usr/bin/env bash
# Runs stopped at any moment by SIGKILL, SIGTERM or SIGINT over a tree of real
# PDFs, .zip and .gz files and plain text indexed with --unpack: after the stop
# and one normal run the archive holds as many files and answers 60 queries with
# the same rows as an archive indexed by one run never stopped. After every stop
# no converter (pdftotext, 7z) outlives the run, a stop by SIGTERM or SIGINT
# leaves no converters' folder ("vedratemp/pdf-*"), and after the next run no
# such folder nor any unpack folder ("*_vedratemp") is left.
#
# The moments are spread over the time a run takes, measured first: one at a
# seeded place in each of ten equal parts of it, the three signals taking turns
# (a run that ends before its signal is timed anew and started once more). Then
# runs are stopped while the converters hang (the working folder's own pdftotext
# and 7z wait before they become the real ones): by SIGKILL, which must take
# them along, and by SIGTERM, whose run must end them and read the .zip it was
# unpacking again next time. Last, a SIGTERM while the text of a converted PDF
# is read must leave the rest of that text to the next run.
#
# VEDRA_KILL_SEED=N repeats a run of this test (the seed is printed);
# VEDRA_KILL_MOMENTS=N sets the moments (default 10); VEDRA_KILL_ALL_SIGNALS=1
# sends each of the three signals at every moment (three times the stops).
source "$(dirname "${BASH_SOURCE[0]}")/test_support.sh"
export HOME=$tmp/home
mkdir -p "$HOME"

for tool in gropdf:groff pdfseparate:poppler-utils pdftotext:poppler-utils 7z:7zip gzip:gzip; do
  if ! command -v "${tool%%:*}" >/dev/null; then
    echo "skipped: ${tool%%:*} is missing (install the Debian package ${tool#*:})"
    echo "0 passed, 0 failed, 1 skipped"
    exit 0
  fi
done

seed=${VEDRA_KILL_SEED:-$(( (RANDOM << 15) | RANDOM ))}
echo "kill test seed: $seed (VEDRA_KILL_SEED=$seed repeats it)"
RANDOM=$seed
moments=${VEDRA_KILL_MOMENTS:-10}
# The sanitized build runs several times slower, and the code the stops reach
# is the normal build's: there it runs only when asked for moments.
if sanitized_build && [ -z "${VEDRA_KILL_MOMENTS:-}" ]; then
  echo "skipped under the sanitizers (VEDRA_KILL_MOMENTS=N runs it)"
  echo "0 passed, 0 failed, 1 skipped"
  exit 0
fi
signals=(KILL TERM INT)

work=$tmp/work
mkdir -p "$work"
"$vedra" --workdir "$work" create kill >/dev/null 2>&1 || fail "create"
cp -a "$work" "$tmp/fresh"

# The tree: eight folders with a sub-folder each; 100 text files, 24 one-page
# PDFs, 6 .zip files of three members (one in a sub-folder), 6 .gz files. Every
# text is 20 to 60 made-up words of two syllables and a few common ones.
tree=$tmp/tree
staging=$tmp/staging
mkdir -p "$staging"
# A word is registered when its first three letters are among the archive's roots.
"$vedra" --workdir "$work" roots list >"$staging/roots" 2>/dev/null || fail "roots list"
for d in 1 2 3 4 5 6 7 8; do mkdir -p "$tree/d$d/inner"; done
awk -v tree="$tree" -v staging="$staging" -v seed="$seed" -v roots="$staging/roots" '
# A word of text f that the archive registers.
function pick(f,    word, tries) {
  for (tries = 0; tries < 100; tries++) {
    word = words[f, 1 + int(rand() * count[f])]
    if (substr(word, 1, 3) in root)
      return word
  }
  return word
}
BEGIN {
  srand(seed)
  while ((getline line < roots) > 0)
    if (length(line) == 3)
      root[line] = 1
  split("ba ce di fo gu la me ni po ru sa te vi zo qua bre cli dro fra glu", s, " ")
  split("river mountain lantern harbor", common, " ")
  texts = 148
  for (f = 1; f <= texts; f++) {
    n = 20 + int(rand() * 40)
    line = ""
    for (w = 1; w <= n; w++) {
      word = rand() < 0.05 ? common[1 + int(rand() * 4)] : s[1 + int(rand() * 20)] s[1 + int(rand() * 20)]
      words[f, w] = word
      line = line word (w % 12 == 0 ? "\n" : " ")
    }
    count[f] = n
    d = "d" (1 + f % 8)
    if (f <= 100)
      file = tree "/" d (f % 3 == 0 ? "/inner" : "") "/note" f ".txt"
    else if (f <= 124)
      file = staging "/page" (f - 100) ".ms"
    else if (f <= 142) {
      z = int((f - 125) / 3) + 1
      part = (f - 125) % 3
      system("mkdir -p \"" staging "/zip" z "/sub\"")
      file = staging "/zip" z (part == 0 ? "/a" : part == 1 ? "/sub/b" : "/c") f ".txt"
    } else
      file = tree "/" d "/inner/log" (f - 142) ".txt"
    printf "%s\n", line > file
    close(file)
  }
  # The queries: 30 single words, 15 pairs of words that one text holds, and 15
  # pairs of words of any two texts joined by --or.
  for (q = 1; q <= 60; q++) {
    f = 1 + int(rand() * texts)
    a = pick(f)
    if (q <= 30)
      print a > (staging "/queries")
    else if (q <= 45)
      print a " " pick(f) > (staging "/queries")
    else
      print a " --or " pick(1 + int(rand() * texts)) > (staging "/queries")
  }
}'
# One groff document, a page per text, without hyphens or page numbers, split
# into one PDF per page.
{
  printf '.nh\n.na\n.ds CH\n'
  for p in $(seq 1 24); do
    [ "$p" = 1 ] || echo .bp
    echo .LP
    cat "$staging/page$p.ms"
  done
} >"$staging/all.ms"
groff -ms -Tpdf "$staging/all.ms" >"$staging/all.pdf" 2>/dev/null || fail "groff could not make the PDFs"
pdfseparate "$staging/all.pdf" "$staging/page%d.pdf" || fail "pdfseparate"
for p in $(seq 1 24); do
  mv "$staging/page$p.pdf" "$tree/d$((1 + p % 8))$([ $((p % 2)) = 0 ] && echo /inner)/paper$p.pdf"
done
for z in $(seq 1 6); do
  (cd "$staging/zip$z" && 7z a -tzip -bd "$tree/d$((1 + z % 8))/pack$z.zip" . >/dev/null) || fail "7z a pack$z.zip"
done
gzip -n "$tree"/d*/inner/log*.txt || fail "gzip"
mapfile -t queries <"$staging/queries"
[ "$(find "$tree" -name '*.pdf' | wc -l)" = 24 ] || fail "the tree does not hold 24 PDFs"

fresh_archive() {
  rm -rf "$work"
  cp -a "$tmp/fresh" "$work"
}
index() {  # a normal run into $tmp/index.out; its status
  "$vedra" --workdir "$work" index --unpack "$tree" >"$tmp/index.out" 2>&1
}
total_files() { sed -n 's/^Total files: //p' "$tmp/index.out"; }
# The rows of every query into file $1, each behind its query's number, sorted.
# The last column, the document's number in the archive, is left out: it is the
# order in which the documents entered, not what the user looks for.
tab=$'\t'
search_all() {
  rm -rf "$1.d"
  mkdir -p "$1.d"
  local i=0 query
  for query in "${queries[@]}"; do
    i=$((i + 1))
    # shellcheck disable=SC2086  # the query is words and options
    "$vedra" --workdir "$work" search $query >"$1.d/$i" 2>/dev/null
  done
  awk -F '\t' -v OFS='\t' '{ n = FILENAME; sub(/.*\//, "", n); print n, $1, $2, $3, $4, $5 }' "$1.d"/* |
    LC_ALL=C sort >"$1"
}
# Fails with the queries answered otherwise than by the reference, and their rows.
compare_rows() {  # name
  search_all "$tmp/rows"
  cmp -s "$tmp/reference" "$tmp/rows" && return 0
  local changed
  changed=$(diff "$tmp/reference" "$tmp/rows" | sed -n 's/^[<>] \([0-9]*\)\t.*/\1/p' | sort -un | head -5)
  for i in $changed; do
    fail "$1: '${queries[i - 1]}' answers differently: $(diff <(grep "^$i$tab" "$tmp/reference") \
      <(grep "^$i$tab" "$tmp/rows") | grep '^[<>]' | head -4 | cut -f1-2 | tr '\t\n' '  ')"
  done
}

# Processes whose command line names this test's tree or working folder, zombies
# left out: once a run has ended, its converters.
converters_alive() {
  local file pid state
  for file in $(grep -slF -e "$tree/" -e "$work/" /proc/[0-9]*/cmdline); do
    pid=${file#/proc/}
    pid=${pid%/cmdline}
    state=$(sed 's/.*) //' "/proc/$pid/stat" 2>/dev/null | cut -c1)
    [ -n "$state" ] && [ "$state" != Z ] && echo "$pid $(tr '\0' ' ' <"$file" 2>/dev/null)"
  done
}
# The converters left after $1 tenths of a second at most (a killed parent's end
# reaches its children a moment later).
converters_left() {
  local left tries=$1
  while :; do
    left=$(converters_alive)
    [ -z "$left" ] || [ "$tries" -le 0 ] && break
    tries=$((tries - 1))
    sleep 0.1
  done
  echo "$left"
}
leftover_folders() {  # converters' folders in the working folder, unpack folders in the tree
  ls -d "$work"/vedratemp/pdf-* 2>/dev/null
  find "$tree" -name '*_vedratemp*' 2>/dev/null
}

# The reference: one run never stopped, timed.
start=$(date +%s%N)
index || fail "the reference run: $(cat "$tmp/index.out")"
run_ms=$(( ($(date +%s%N) - start) / 1000000 ))
reference_total=$(total_files)
echo "reference run: $run_ms ms, $reference_total files"
grep -qx 'Files not read: 0' "$tmp/index.out" || fail "the reference run left files unread: $(cat "$tmp/index.out")"
[ -z "$(leftover_folders)" ] || fail "the reference run left folders: $(leftover_folders)"
search_all "$tmp/reference"
for kind in "\\.pdf$tab" '\.zip » sub/b' '\.gz » '; do
  grep -q "$kind" "$tmp/reference" || fail "no reference row of the kind '$kind': the tree is not indexed whole"
done
for i in $(seq 1 30); do
  grep -q "^$i$tab" "$tmp/reference" || fail "'${queries[i - 1]}' finds nothing even in the never-stopped archive"
done

# Checks a stopped run (its status in $status, $1 the signal, $2 a name for
# the stop), then finishes the archive with one normal run and compares it with
# the reference.
stops=0
landed=0
check_stop_and_finish() {
  local signal=$1 name=$2 expected left
  stops=$((stops + 1))
  expected=$((128 + $(kill -l "$signal")))
  if [ "$status" = "$expected" ]; then
    landed=$((landed + 1))
  elif [ "$status" = 0 ]; then
    echo "($name: the run had ended)"
  else
    fail "$name: status $status, not $expected: $(tail -3 "$tmp/stopped.out")"
  fi
  # A run that stopped itself has ended its converters before its exit.
  left=$(converters_left "$([ "$signal" = KILL ] && echo 10 || echo 0)")
  [ -z "$left" ] || fail "$name: converters outlived the run: $left"
  if [ "$signal" != KILL ]; then
    left=$(ls -d "$work"/vedratemp/pdf-* 2>/dev/null)
    [ -z "$left" ] || fail "$name: the converters' folder stayed after the stop: $left"
  fi
  rm -f "$work/pdftotext" "$work/7z"

  index || fail "$name: the next run: $(cat "$tmp/index.out")"
  [ "$(total_files)" = "$reference_total" ] ||
    fail "$name: $(total_files) files after the next run, not $reference_total"
  left=$(leftover_folders)
  [ -z "$left" ] || fail "$name: folders stayed after the next run: $left"
  left=$(converters_alive)
  [ -z "$left" ] || fail "$name: converters outlived the next run: $left"
  compare_rows "$name"
}
# Starts a run into the working folder as it is; $run is its number. Without the
# SIGINT ignore a shell gives its background commands, as from a terminal.
start_run() {
  env --default-signal=INT "$vedra" --workdir "$work" index --unpack "$tree" >"$tmp/stopped.out" 2>&1 &
  run=$!
}
stop_run() {  # signal; leaves the run's status in $status
  kill -s "$1" "$run" 2>/dev/null
  { wait "$run"; } 2>/dev/null
  status=$?
}

turn=$((seed % 3))
for m in $(seq 0 $((moments - 1))); do
  # A place in the m-th part of the run.
  fraction=$(awk -v m="$m" -v n="$moments" -v r="$RANDOM" 'BEGIN { printf "%.4f", (m + r / 32768) / n }')
  if [ "${VEDRA_KILL_ALL_SIGNALS:-0}" = 1 ]; then
    chosen=("${signals[@]}")
  else
    chosen=("${signals[(m + turn) % 3]}")
  fi
  for signal in "${chosen[@]}"; do
    for _ in 1 2 3; do
      delay=$(awk -v run="$run_ms" -v f="$fraction" 'BEGIN { printf "%.3f", 0.95 * run / 1000 * f }')
      fresh_archive
      start_run
      sleep "$delay"
      stop_run "$signal"
      [ "$status" = 0 ] || break
      # The run ended first: the machine is quicker than when the reference was
      # timed. The run's own time places the moment again.
      past=$(sed -n 's/^Past time: \([0-9.]*\) s$/\1/p' "$tmp/stopped.out")
      echo "(SIG$signal after $delay s: the run had ended, in ${past:-?} s; once more)"
      [ -n "$past" ] && run_ms=$(awk -v p="$past" 'BEGIN { printf "%d", p * 1000 }')
    done
    check_stop_and_finish "$signal" "SIG$signal after $delay s"
  done
done

# Converters that hang: each notes its number and kind, then, while the test
# holds them, waits on a pipe nobody writes to (a builtin: no child process of
# its own) before it becomes the real program.
mkfifo "$tmp/hold"
make_holding() {  # name real-program
  cat >"$tmp/$1" <<SCRIPT
#!/bin/bash
echo "$1 \$\$" >>"$tmp/started"
if [ -e "$tmp/holding" ]; then exec 9<>"$tmp/hold"; read -r -t 30 -u 9; fi
exec "$2" "\$@"
SCRIPT
  chmod +x "$tmp/$1"
}
make_holding pdftotext "$(command -v pdftotext)"
make_holding 7z "$(command -v 7z)"
for signal in KILL TERM; do
  fresh_archive
  cp "$tmp/pdftotext" "$tmp/7z" "$work/"
  : >"$tmp/started"
  touch "$tmp/holding"
  start_run
  # The walk meets a .zip before the PDFs of its folder ("pack" < "paper"), after
  # converters have started on the PDFs ahead: 7z and pdftotext hang together.
  for _ in $(seq 100); do
    grep -q '^7z ' "$tmp/started" && grep -q '^pdftotext ' "$tmp/started" && break
    sleep 0.05
  done
  if ! grep -q '^7z ' "$tmp/started" || ! grep -q '^pdftotext ' "$tmp/started"; then
    fail "SIG$signal with hanging converters: they did not both start: $(cat "$tmp/started")"
  fi
  rm -f "$tmp/holding"
  stop_run "$signal"
  check_stop_and_finish "$signal" "SIG$signal while the converters hang"
  # What hung past the checks is ended here, each by its own number, so that the
  # next stop finds none of it.
  while read -r _ pid; do
    grep -qF "$tmp/" "/proc/$pid/cmdline" 2>/dev/null && kill -KILL "$pid" 2>/dev/null
  done <"$tmp/started"
done

# A stop while the text of a converted PDF is read: the words after the stop
# are read by the next run. The working folder's pdftotext gives a long text (the
# "PDF" is that text already) and tells when it is done; the run then reads for
# a good part of a second.
long=$tmp/long
mkdir -p "$long"
awk -v seed="$seed" 'BEGIN {
  srand(seed)
  split("ba ce di fo gu la me ni po ru sa te vi zo qua bre cli dro fra glu", s, " ")
  for (i = 1; i <= 40000; i++)
    printf "%s%s%s%s", s[1 + int(rand() * 20)], s[1 + int(rand() * 20)], s[1 + int(rand() * 20)], i % 12 ? " " : "\n"
}' >"$staging/block"
for _ in $(seq 20); do cat "$staging/block"; done >"$long/long.pdf"
echo "lanternlast" >>"$long/long.pdf"
cat >"$tmp/pdftotext" <<SCRIPT
#!/bin/sh
cp "\$3" "\$4"
touch "$tmp/converted"
SCRIPT
fresh_archive
cp "$tmp/pdftotext" "$work/"
"$vedra" --workdir "$work" index "$long" >"$tmp/stopped.out" 2>&1 &
run=$!
for _ in $(seq 200); do [ -e "$tmp/converted" ] && break; sleep 0.01; done
[ -e "$tmp/converted" ] || fail "the long text was never converted"
sleep 0.05
stop_run TERM
[ "$status" = 143 ] || echo "(SIGTERM in the long text: the run had ended, status $status)"
"$vedra" --workdir "$work" index "$long" >"$tmp/index.out" 2>&1 || fail "the run after the stop in the long text"
[ "$("$vedra" --workdir "$work" search lanternlast 2>/dev/null | cut -f1)" = "$long/long.pdf" ] ||
  fail "SIGTERM in the long text: its last word is not found after the next run"

echo "$stops stops, $landed of them inside a run"
[ $((landed * 3)) -ge $((stops * 2)) ] || fail "only $landed of $stops stops landed inside a run"
[ $failures = 0 ] && echo "kill test: all checks passed"
exit $((failures > 0))
