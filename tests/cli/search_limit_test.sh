#!/usr/bin/env bash
# `vedra search --limit/--count` against the full listing, and the stale flags of
# `--json` for files changed, grown or deleted after indexing.
source "$(dirname "${BASH_SOURCE[0]}")/test_support.sh"

work=$tmp/work
docs=$tmp/docs
mkdir -p "$work" "$docs/sub" "$docs/house"
# 23 documents: the words spread unevenly, and some paths hold "house", which puts
# their rows at the top of an OR listing (newest first), so the order is not the
# walk's alone.
for i in $(seq 1 23); do
  text="house number $i"
  ((i % 2 == 0)) && text="$text garden"
  ((i % 3 == 0)) && text="$text window"
  if ((i % 5 == 0)); then
    printf '%s\n' "$text" >"$docs/house/n$i.txt"
  elif ((i % 4 == 0)); then
    printf '%s\n' "$text" >"$docs/sub/n$i.txt"
  else
    printf '%s\n' "$text" >"$docs/n$i.txt"
  fi
done
"$vedra" --workdir "$work" create docs >/dev/null 2>&1 || fail "create docs"
"$vedra" --workdir "$work" index "$docs" >/dev/null 2>&1 || fail "index docs"

search() { "$vedra" --workdir "$work" search "$@" 2>/dev/null; }

# Each query: the first N rows of --limit N are the first N of the full listing,
# byte for byte, and --count adds the full listing's row count.
for query in "house" "garden" "garden window" "garden window --or" "house garden --or" "nothingsuch"; do
  read -r -a words <<<"$query"
  full=$(search "${words[@]}")
  total=$( [ -z "$full" ] && echo 0 || wc -l <<<"$full")
  [ "$query" = nothingsuch ] || [ "$total" -ge 3 ] || fail "'$query': too few rows to test ($total)"
  for n in 0 1 3 7 "$total" $((total + 5)); do
    got=$(search "${words[@]}" --limit "$n")
    want=$(head -n "$n" <<<"$full")
    [ "$got" = "$want" ] || fail "'$query' --limit $n: got [$got] want [$want]"
    counted=$(search "${words[@]}" --limit "$n" --count)
    [ "$(tail -n 1 <<<"$counted")" = "$total" ] || fail "'$query' --limit $n --count: last line $(tail -n 1 <<<"$counted"), want $total"
    rows=$(sed '$d' <<<"$counted")
    [ "$rows" = "$want" ] || fail "'$query' --limit $n --count: rows [$rows] want [$want]"
  done
  # --count alone keeps every row.
  [ "$(search "${words[@]}" --count | sed '$d')" = "$full" ] || fail "'$query' --count changed the rows"
done
# The AND listing is a subset of the OR one for the same words, and the counts say so.
and_count=$(search garden window --limit 0 --count)
or_count=$(search garden window --or --limit 0 --count)
[ "$and_count" = 3 ] || fail "garden AND window: $and_count documents, want 3 (6, 12, 18)"
[ "$or_count" = 15 ] || fail "garden OR window: $or_count documents, want 15"

search house --limit -1 >/dev/null; [ $? -eq 2 ] || fail "--limit -1 accepted"
search house --limit many >/dev/null; [ $? -eq 2 ] || fail "--limit many accepted"

# JSON: the same rows, and with --count an object holding the count.
json=$(search house --json --limit 2)
[ "$(grep -c '"path"' <<<"$json")" = 2 ] || fail "--json --limit 2: $json"
first=$(search house --limit 1 | cut -f1)
grep -q "\"path\": \"$first\"" <<<"$(head -n 2 <<<"$json")" || fail "--json first row is not the listing's: $json"
json=$(search house --json --count --limit 0)
[ "$json" = '{"count": 23, "rows": []}' ] || fail "--json --count --limit 0: $json"

# Stale rows: a file rewritten with the same size (only its time moves), one grown,
# one deleted, one untouched.
row_of() { grep "\"path\": \"$1\"" <<<"$2"; }
changed=$docs/n1.txt grown=$docs/n2.txt gone=$docs/n3.txt kept=$docs/n7.txt
printf 'house number X\n' >"$changed"
touch -d '2001-02-03 04:05:06' "$changed"
printf 'more text\n' >>"$grown"
rm "$gone"
json=$(search house --json)
row_of "$changed" "$json" | grep -q '"stale": true, "staleReason": "time"' || fail "changed file: $(row_of "$changed" "$json")"
row_of "$grown" "$json" | grep -q '"stale": true, "staleReason": "size,time"' || fail "grown file: $(row_of "$grown" "$json")"
row_of "$gone" "$json" | grep -q '"stale": true, "staleReason": "gone"' || fail "deleted file: $(row_of "$gone" "$json")"
row_of "$kept" "$json" | grep -q '"stale": false, "staleReason": ""' || fail "unchanged file: $(row_of "$kept" "$json")"
[ "$(grep -c '"stale": true' <<<"$json")" = 3 ] || fail "only three rows are stale: $json"
# The rows still show what was indexed: the grown file's size is the old one.
[ "$(search house | awk -F'\t' -v p="$grown" '$1 == p { print $3 }')" = "$(printf 'house number 2 garden\n' | wc -c)" ] ||
  fail "grown file's row shows the disk's size"
# The plain listing keeps its six columns.
[ "$(search house | awk -F'\t' '{print NF}' | sort -u)" = 6 ] || fail "plain rows gained columns"

if [ $failures -eq 0 ]; then echo "1 passed, 0 failed"; exit 0; fi
echo "0 passed, 1 failed"; exit 1
