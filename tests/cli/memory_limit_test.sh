#!/usr/bin/env bash
# `vedra --memory MB` and VEDRA_MEMORY_MB size the work buffers as if that much
# memory were free. An archive indexed with the smallest usable buffers (most of
# its trees then live past the cached heads and are patched in the files) must
# hold the same bytes as one indexed with the default buffers; bad values are
# refused with a message and exit status 2.
source "$(dirname "${BASH_SOURCE[0]}")/test_support.sh"
export HOME=$tmp/home
mkdir -p "$HOME" "$tmp/small/vedraprog"

# A tree of a few hundred files whose vocabulary is far larger than the small
# dictionary cache (32 KiB): words made of syllables, a fixed seed.
syllables=(ba ce di fo gu la me ni po ru sa te vi zo qua bre cli dro fra glu)
RANDOM=4242
for d in 0 1 2 3; do
  mkdir -p "$tmp/docs/group $d"
  for f in $(seq 1 60); do
    line=""
    for w in $(seq 1 40); do
      line+="${syllables[RANDOM % 20]}${syllables[RANDOM % 20]}${syllables[RANDOM % 20]} "
    done
    printf '%s\n' "$line" > "$tmp/docs/group $d/file$f.txt"
  done
done

info=$("$vedra" --workdir "$tmp/small/vedraprog" --memory 5 info 2>&1)
grep -q '^Dictionary buffer: 32768 bytes$' <<<"$info" || fail "--memory 5 sizes the dictionary buffer: $info"
info=$(VEDRA_MEMORY_MB=5 "$vedra" --workdir "$tmp/small/vedraprog" info 2>&1)
grep -q '^Dictionary buffer: 32768 bytes$' <<<"$info" || fail "VEDRA_MEMORY_MB=5 sizes the buffer: $info"
info=$(VEDRA_MEMORY_MB=5 "$vedra" --workdir "$tmp/small/vedraprog" --memory 10 info 2>&1)
grep -q '^Dictionary buffer: 65536 bytes$' <<<"$info" || fail "--memory wins over the variable: $info"

# Both runs work in the same folder, which the folder tree records.
for work in small large; do
  memory=()
  [ $work = small ] && memory=(--memory 5)
  rm -rf "$tmp/run"
  mkdir -p "$tmp/run/vedraprog"
  "$vedra" --workdir "$tmp/run/vedraprog" "${memory[@]}" create docs >/dev/null 2>&1 || fail "create ($work)"
  "$vedra" --workdir "$tmp/run/vedraprog" "${memory[@]}" index "$tmp/docs" >"$tmp/$work.out" 2>&1 ||
    fail "index ($work): $(cat "$tmp/$work.out")"
  rm -rf "$tmp/$work"
  mv "$tmp/run" "$tmp/$work"
done
grep -q '^Total files: 240$' "$tmp/small.out" || fail "the small run read every file: $(cat "$tmp/small.out")"
for file in "$tmp"/large/C_DOCS_1/*; do
  name=$(basename "$file")
  cmp -s "$file" "$tmp/small/C_DOCS_1/$name" || fail "$name differs between the small and the default buffers"
done
word=$(awk '{print $7; exit}' "$tmp/docs/group 2/file17.txt")
rows=$("$vedra" --workdir "$tmp/small/vedraprog" search "$word" 2>/dev/null | cut -f1)
grep -qx "$tmp/docs/group 2/file17.txt" <<<"$rows" || fail "'$word' finds its file in the small archive: $rows"

for bad in 0 -5 5x "" 1048577 99999999; do
  out=$("$vedra" --workdir "$tmp/small/vedraprog" --memory "$bad" info 2>&1)
  [ $? = 2 ] && grep -q -- '--memory takes whole megabytes' <<<"$out" || fail "--memory '$bad' refused: $out"
done
out=$(VEDRA_MEMORY_MB=lots "$vedra" --workdir "$tmp/small/vedraprog" info 2>&1)
[ $? = 2 ] && grep -q 'VEDRA_MEMORY_MB takes whole megabytes' <<<"$out" || fail "VEDRA_MEMORY_MB=lots refused: $out"
out=$("$vedra" --workdir "$tmp/small/vedraprog" --memory 2>&1)
[ $? = 2 ] && grep -q -- '--memory needs a value' <<<"$out" || fail "--memory without a value: $out"

[ $failures = 0 ] && echo "memory limit: all checks passed"
exit $((failures > 0))
