#!/usr/bin/env bash
# An archive whose files were cut short from outside (a copy broken off, a disk
# fault) is repaired by the next run: the run says so, empties the index (the
# archive's lists stay; the roots too unless they were cut) and indexes the
# folder afresh, after which every query answers as in the intact archive.
# The cuts fall at seeded random offsets; VEDRA_REPAIR_SEED=N repeats a run.
source "$(dirname "${BASH_SOURCE[0]}")/test_support.sh"
export HOME=$tmp/home
mkdir -p "$HOME" "$tmp/run/vedraprog"

seed=${VEDRA_REPAIR_SEED:-$(( (RANDOM << 15) | RANDOM ))}
echo "repair test seed: $seed (VEDRA_REPAIR_SEED=$seed repeats it)"
RANDOM=$seed

syllables=(ba ce di fo gu la me ni po ru sa te vi zo qua bre)
for d in 0 1 2; do
  mkdir -p "$tmp/docs/set$d"
  for f in $(seq 1 40); do
    line="harbor "
    for w in $(seq 1 25); do
      line+="${syllables[RANDOM % 16]}${syllables[RANDOM % 16]}${syllables[RANDOM % 16]} "
    done
    printf '%s\n' "$line" >"$tmp/docs/set$d/page$f.txt"
  done
done
work=$tmp/run/vedraprog
"$vedra" --workdir "$work" --memory 5 create docs >/dev/null 2>&1 || fail "create"
"$vedra" --workdir "$work" --memory 5 index "$tmp/docs" >"$tmp/out" 2>&1 || fail "index: $(cat "$tmp/out")"
archive=$tmp/run/C_DOCS_1
words=(harbor "$(awk '{print $4; exit}' "$tmp/docs/set1/page7.txt")" "--or $(awk '{print $9; exit}' "$tmp/docs/set2/page30.txt") harbor" "--in-path set2")
search_all() {
  local i=0
  for query in "${words[@]}"; do
    i=$((i + 1))
    # shellcheck disable=SC2086  # words and options
    "$vedra" --workdir "$work" search $query >"$1.$i" 2>&1
  done
}
search_all "$tmp/intact"
[ "$(wc -l <"$tmp/intact.1")" = 120 ] || fail "the intact archive finds harbor in every file"
cp -a "$tmp/run" "$tmp/saved"

for file in IND PAR ORD PTH LNK RCP RAD; do
  rm -rf "$tmp/run"
  cp -a "$tmp/saved" "$tmp/run"
  size=$(stat -c %s "$archive/$file.1")
  keep=$(( (RANDOM * 32768 + RANDOM) % size ))
  truncate -s "$keep" "$archive/$file.1"
  lists=$(cat "$archive/FIL.1" "$archive/DIR.1" "$archive/NIN.1" | md5sum)
  "$vedra" --workdir "$work" --memory 5 index "$tmp/docs" >"$tmp/out" 2>&1 ||
    fail "$file cut at $keep of $size: the run failed: $(cat "$tmp/out")"
  grep -q "shorter than recorded" "$tmp/out" || fail "$file cut at $keep: the run says nothing: $(cat "$tmp/out")"
  grep -q '^Total files: 120$' "$tmp/out" || fail "$file cut at $keep: the run registers every file again"
  [ "$(cat "$archive/FIL.1" "$archive/DIR.1" "$archive/NIN.1" | md5sum)" = "$lists" ] ||
    fail "$file cut at $keep: the archive's lists changed"
  search_all "$tmp/repaired"
  for i in $(seq 1 ${#words[@]}); do
    cmp -s "$tmp/intact.$i" "$tmp/repaired.$i" ||
      fail "$file cut at $keep: '${words[$((i - 1))]}' answers differently: $(diff "$tmp/intact.$i" "$tmp/repaired.$i" | head -4)"
  done
  # Repaired means trusted again: the next run is an ordinary one.
  "$vedra" --workdir "$work" --memory 5 index "$tmp/docs" >"$tmp/out" 2>&1
  grep -q "shorter than recorded" "$tmp/out" && fail "$file cut at $keep: the run after the repair rebuilt again"
done

[ $failures = 0 ] && echo "damaged archive repair: all checks passed"
exit $((failures > 0))
