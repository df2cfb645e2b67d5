#!/usr/bin/env bash
# An indexing run killed with SIGKILL at any moment loses nothing: the next run
# undoes what the killed one wrote and indexes its documents again. A generated
# tree is indexed with small caches (--memory 5, so most of the trees live past
# the cached heads and are patched in the files) into a fresh archive while runs
# are killed after random delays; then the tree changes (new files, changed
# files) and runs are killed again, at random and before writes of the archive's
# close (VEDRA_KILL_IN_CLOSE): each of the first ones in turn, then at a growing
# stride to the last. Normal runs finish the archive,
# which must then hold the same bytes and answer every query of a fixed list as
# an archive indexed by the same two runs never killed.
#
# VEDRA_CRASH_SEED=N repeats a run of this test (the seed is printed);
# VEDRA_CRASH_KILLS=N sets the random kills of the first phase (default 20).
source "$(dirname "${BASH_SOURCE[0]}")/test_support.sh"
export HOME=$tmp/home
mkdir -p "$HOME"

seed=${VEDRA_CRASH_SEED:-$(( (RANDOM << 15) | RANDOM ))}
first_kills=${VEDRA_CRASH_KILLS:-15}
second_kills=8
close_kills_wanted=10
kills_wanted=30
close_each=16    # the close's first writes, each killed in turn
close_stride=4   # then the next write is 1 + 1/close_stride further on
# The sanitized build runs several times slower, and its runs are the same code: fewer kills.
if sanitized_build && [ -z "${VEDRA_CRASH_KILLS:-}" ]; then
  first_kills=4
  second_kills=3
  close_kills_wanted=5
  kills_wanted=10
  close_each=4
  close_stride=1
fi
echo "crash test seed: $seed (VEDRA_CRASH_SEED=$seed repeats it)"
RANDOM=$seed

# The tree: ten folders of two sub-folders each, 2000 files of 20 to 70 words
# from a vocabulary of 8000 made-up words and a few that every query uses.
tree=$tmp/tree
generate() {  # folder-prefix first-file last-file awk-seed
  awk -v root="$tree" -v prefix="$1" -v first="$2" -v last="$3" -v seed="$4" 'BEGIN {
    srand(seed)
    split("ba ce di fo gu la me ni po ru sa te vi zo qua bre cli dro fra glu", s, " ")
    split("river mountain lantern harbor", common, " ")
    for (f = first; f <= last; f++) {
      dir = root "/" prefix (f % 10) "/part" (f % 3 == 0 ? "" : "/inner" (f % 2))
      system("mkdir -p \"" dir "\"")
      file = dir "/note" f ".txt"
      n = 20 + int(rand() * 50)
      line = ""
      for (w = 1; w <= n; w++) {
        if (rand() < 0.04)
          word = common[1 + int(rand() * 4)]
        else
          word = s[1 + int(rand() * 20)] s[1 + int(rand() * 20)] s[1 + int(rand() * 20)]
        line = line word (w % 12 == 0 ? "\n" : " ")
      }
      printf "%s\n", line > file
      close(file)
    }
  }'
}
generate folder 1 2000 "$seed"
# Every file gets one fixed time, so both archives record the same times.
find "$tree" -type f -exec touch -d '2024-03-01 10:00:00' {} +

run=$tmp/run            # the working root both archives are indexed in, in turn
work=$run/vedraprog
mkdir -p "$work"
"$vedra" --workdir "$work" --memory 5 create crash >/dev/null 2>&1 || fail "create"
archive=$run/C_CRASH_1
[ -d "$archive" ] || { fail "no archive folder"; exit 1; }
cp -a "$run" "$tmp/fresh"

index() {  # a normal run; its status
  "$vedra" --workdir "$work" --memory 5 index "$tree" >"$tmp/index.out" 2>&1
}
swap_in() {  # the working root of "ref" or "test" becomes $run
  rm -rf "$run"
  mv "$tmp/$1" "$run"
}
swap_out() {
  mv "$run" "$tmp/$1"
}
seconds() { date +%s.%N; }

kills=0
close_kills=0
# Starts a run and kills it after $1 seconds; counts it when it was killed,
# else returns 1 (the run was done before).
kill_after() {
  "$vedra" --workdir "$work" --memory 5 index "$tree" >/dev/null 2>&1 &
  local pid=$!
  sleep "$1"
  kill -KILL "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  local status=$?
  if [ $status = 137 ]; then
    kills=$((kills + 1))
    echo "kill $kills: $2, after $1 s"
  else
    echo "(the $2 ended before its kill at $1 s, status $status)"
    [ $status = 0 ] || fail "the $2 ended with status $status"
    return 1
  fi
}
# A delay in [0.05, 0.8 * run time) seconds, from the seeded generator: a run
# after a kill redoes the killed one whole, so it takes about as long.
random_delay() {
  awk -v limit="$1" -v r="$RANDOM" 'BEGIN { printf "%.3f", 0.05 + (0.8 * limit - 0.05) * r / 32768 }'
}

# Phase 1: the reference indexes the tree once, timed; the test archive is killed
# at random points of the same run, then finished.
start=$(seconds)
index || fail "reference run 1: $(cat "$tmp/index.out")"
first_time=$(awk -v a="$start" -v b="$(seconds)" 'BEGIN { printf "%.3f", b - a }')
echo "reference run 1: $first_time s"
grep -q '^Total files: 2000$' "$tmp/index.out" || fail "reference run 1 registered every file: $(cat "$tmp/index.out")"
swap_out ref
cp -a "$tmp/fresh" "$run"
# A run faster than its kill (the machine's load changes) finished the archive,
# and so may a kill that lands after the close's commit (slow disks make that
# window wide): the archive then starts the phase again, so that the next kills
# still land inside a run with work to do.
restart_phase() {
  rm -rf "$run"
  cp -a "$tmp/phase-start" "$run"
}
rm -rf "$tmp/phase-start"
cp -a "$run" "$tmp/phase-start"
attempts=0
while [ $kills -lt "$first_kills" ] && [ $attempts -lt $((first_kills * 2)) ]; do
  attempts=$((attempts + 1))
  kill_after "$(random_delay "$first_time")" "run 1" || restart_phase
done
index || fail "finishing run 1: $(cat "$tmp/index.out")"
grep -q 'undone' "$tmp/index.out" && echo "the finishing run undid a killed run first"
swap_out test

# The tree changes: 300 new files, 100 files rewritten with a later time.
generate added 2001 2300 "$((seed + 1))"
find "$tree" -path '*added*' -type f -exec touch -d '2024-03-02 10:00:00' {} +
for f in $(seq 7 20 2000); do
  file=$tree/folder$((f % 10))/part
  [ $((f % 3)) = 0 ] || file+=/inner$((f % 2))
  file+=/note$f.txt
  printf 'lantern rewritten%s harbor\n' "$f" >>"$file"
  touch -d '2024-03-03 10:00:00' "$file"
done

# Phase 2: the reference indexes the change, timed; the test archive is killed
# at random points of that run, and before every write of its close in turn,
# until a run gets through the close.
swap_in ref
start=$(seconds)
index || fail "reference run 2: $(cat "$tmp/index.out")"
second_time=$(awk -v a="$start" -v b="$(seconds)" 'BEGIN { printf "%.3f", b - a }')
echo "reference run 2: $second_time s"
grep -q '^Total files: 2300$' "$tmp/index.out" || fail "reference run 2 registered every file: $(cat "$tmp/index.out")"
swap_out ref
swap_in test
# Kills the first phase could not make (a run that got through) are made here.
target=$((first_kills + second_kills))
rm -rf "$tmp/phase-start"
cp -a "$run" "$tmp/phase-start"
attempts=0
while [ $kills -lt $target ] && [ $attempts -lt $((target * 2)) ]; do
  attempts=$((attempts + 1))
  kill_after "$(random_delay "$second_time")" "run 2" || restart_phase
done
# The last random kill may have left a finished archive, whose close is a few
# writes only: the kills inside the close then start once more from the change.
write=1
restarted=no
while [ $write -le 2000 ]; do
  # Waited for in the background, so that bash does not report each kill.
  VEDRA_KILL_IN_CLOSE=$write "$vedra" --workdir "$work" --memory 5 index "$tree" >"$tmp/index.out" 2>&1 &
  wait $! 2>/dev/null
  status=$?
  if [ $status != 137 ]; then
    [ $status = 0 ] || fail "run with VEDRA_KILL_IN_CLOSE=$write: status $status: $(cat "$tmp/index.out")"
    echo "(the run got through its close before write $write)"
    if [ $close_kills -lt $close_kills_wanted ] && [ $restarted = no ]; then
      echo "(too few writes in that close: the kills inside the close start again from the change)"
      restarted=yes
      restart_phase
      write=1
      continue
    fi
    break
  fi
  kills=$((kills + 1))
  close_kills=$((close_kills + 1))
  echo "kill $kills: run 2, before write $write of the close"
  # Every one of the first writes (the journal's, the header), then a growing
  # stride through the word heads that a close with small caches writes one by one.
  if [ $write -lt $close_each ]; then write=$((write + 1)); else write=$((write + write / close_stride)); fi
done
index || fail "finishing run 2: $(cat "$tmp/index.out")"
grep -q '^Total files: 2300$' "$tmp/index.out" || fail "the finished archive holds every file: $(cat "$tmp/index.out")"
echo "$kills kills, $close_kills of them inside the close"
[ $kills -ge $kills_wanted ] || fail "only $kills kills landed ($kills_wanted wanted)"
[ $close_kills -ge $close_kills_wanted ] || fail "only $close_kills kills inside the close ($close_kills_wanted wanted)"

# Every file of the reference archive, byte for byte (the test archive has the
# run mark as well, in the same closed state).
for file in "$tmp"/ref/C_CRASH_1/*; do
  name=$(basename "$file")
  cmp -s "$file" "$archive/$name" || fail "$name differs from the never-killed archive"
done

queries=(
  "river"
  "lantern harbor"
  "mountain river lantern"
  "--or river harbor"
  "--contiguous 3 river lantern"
  "--in-path inner1"
  "--in-path folder4 part"
  "babace"
  "quaglucli --or fradrobre"
  "rewritten7"
  "rewritten1987 lantern"
  "harbor --files note3*"
)
search_all() {  # writes one file per query into $1
  mkdir -p "$1"
  local i=0
  for query in "${queries[@]}"; do
    i=$((i + 1))
    # shellcheck disable=SC2086  # the query is words and options
    "$vedra" --workdir "$work" search $query >"$1/$i" 2>&1
  done
}
search_all "$tmp/test-results"
swap_out test
swap_in ref
search_all "$tmp/ref-results"
i=0
for query in "${queries[@]}"; do
  i=$((i + 1))
  rows=$(wc -l <"$tmp/ref-results/$i")
  [ "$rows" -gt 0 ] || fail "'$query' finds nothing even in the never-killed archive"
  cmp -s "$tmp/ref-results/$i" "$tmp/test-results/$i" ||
    fail "'$query' answers differently: $(diff "$tmp/ref-results/$i" "$tmp/test-results/$i" | head -5)"
done

[ $failures = 0 ] && echo "crash recovery: all checks passed"
exit $((failures > 0))
