#!/usr/bin/env bash
# `vedra search --order`: every key against an independent reading of the files
# (their names, sizes and times), the relevance order's known winners, its JSON
# score, --limit on each order, and a bad key refused.
source "$(dirname "${BASH_SOURCE[0]}")/test_support.sh"

work=$tmp/work
docs=$tmp/docs
mkdir -p "$work" "$docs/zebra" "$docs/plain"
filler() { local i; for ((i = 0; i < $1; i++)); do printf 'mango '; done; }
# name, text, size padding, modification time
make_doc() {
  { printf '%s ' "$2"; filler "$3"; printf '\n'; } >"$docs/$1"
  touch -d "$4" "$docs/$1"
}
make_doc plain/once.txt "zebra" 60 "2021-03-01 10:00"
make_doc plain/five.txt "zebra mango zebra mango zebra mango zebra mango zebra" 56 "2019-06-01 10:00"
make_doc zebra.txt "quilt zebra" 300 "2020-01-01 10:00"
make_doc zebra/inside.txt "zebra" 120 "2023-05-05 10:00"
make_doc plain/Alpha.txt "zebra" 10 "2022-02-02 10:00"
make_doc plain/near.txt "quilt zebra" 80 "2018-01-01 10:00"
make_doc plain/far.txt "quilt $(filler 70) zebra" 8 "2017-01-01 10:00"
make_doc plain/none.txt "quilt" 20 "2024-01-01 10:00"
"$vedra" --workdir "$work" create docs >/dev/null 2>&1 || fail "create docs"
"$vedra" --workdir "$work" index "$docs" >/dev/null 2>&1 || fail "index docs"

search() { "$vedra" --workdir "$work" search "$@" 2>/dev/null; }
names() { cut -f1 | sed "s|^$docs/||"; }

# The default is the archive's order, byte for byte.
archive=$(search zebra)
[ "$(wc -l <<<"$archive")" = 7 ] || fail "zebra: $(wc -l <<<"$archive") rows, want 7"
[ "$(search zebra --order archive)" = "$archive" ] || fail "--order archive differs from the default"
[ "$(search zebra --order archive --json)" = "$(search zebra --json)" ] || fail "--order archive --json differs"

# date, size, path against the files themselves.
want_date=$(cd "$docs" && find . -name '*.txt' -exec grep -l zebra {} + | sed 's|^\./||' | xargs stat -c '%Y %n' | sort -s -k1,1nr | cut -d' ' -f2)
[ "$(search zebra --order date | names)" = "$want_date" ] || fail "--order date: [$(search zebra --order date | names | tr '\n' ' ')] want [$(tr '\n' ' ' <<<"$want_date")]"
want_size=$(cd "$docs" && find . -name '*.txt' -exec grep -l zebra {} + | sed 's|^\./||' | xargs stat -c '%s %n' | sort -s -k1,1nr | cut -d' ' -f2)
[ "$(search zebra --order size | names)" = "$want_size" ] || fail "--order size: [$(search zebra --order size | names | tr '\n' ' ')] want [$(tr '\n' ' ' <<<"$want_size")]"
want_path="plain/Alpha.txt
plain/far.txt
plain/five.txt
plain/near.txt
plain/once.txt
zebra.txt
zebra/inside.txt"
[ "$(search zebra --order path | names)" = "$want_path" ] || fail "--order path: [$(search zebra --order path | names | tr '\n' ' ')]"
# Every order lists the same rows, each once.
for order in archive relevance date size path; do
  [ "$(search zebra --order "$order" | sort)" = "$(sort <<<"$archive")" ] || fail "--order $order: other rows than the archive order"
done

# Relevance: the file named after the word first, the word five times above once.
relevance=$(search zebra --order relevance | names)
[ "$(head -n 1 <<<"$relevance")" = zebra.txt ] || fail "relevance: first is $(head -n 1 <<<"$relevance"), want zebra.txt"
five_at=$(grep -n '^plain/five.txt$' <<<"$relevance" | cut -d: -f1)
once_at=$(grep -n '^plain/once.txt$' <<<"$relevance" | cut -d: -f1)
[ -n "$five_at" ] && [ -n "$once_at" ] && ((five_at < once_at)) || fail "relevance: five.txt at $five_at, once.txt at $once_at"
# Words side by side above the same words far apart (AND).
both=$(search quilt zebra --order relevance | names)
near_at=$(grep -n '^plain/near.txt$' <<<"$both" | cut -d: -f1)
far_at=$(grep -n '^plain/far.txt$' <<<"$both" | cut -d: -f1)
[ -n "$near_at" ] && [ -n "$far_at" ] && ((near_at < far_at)) || fail "relevance: near.txt at $near_at, far.txt at $far_at"

# --limit N is the head of each full order.
for order in archive relevance date size path; do
  full=$(search zebra --order "$order")
  for n in 0 1 3 7 9; do
    [ "$(search zebra --order "$order" --limit "$n")" = "$(head -n "$n" <<<"$full")" ] || fail "--order $order --limit $n is not the head of the full order"
  done
  [ "$(search zebra --order "$order" --limit 2 --count | tail -n 1)" = 7 ] || fail "--order $order --count: not the whole count"
done

# JSON: the relevance rows carry a score, descending; other orders none; keys kept.
json=$(search zebra --order relevance --json)
[ "$(grep -c '"score": [0-9][0-9.]*}' <<<"$json")" = 7 ] || fail "relevance --json: not 7 scores: $json"
scores=$(grep -o '"score": [0-9.]*' <<<"$json" | cut -d' ' -f2)
[ "$scores" = "$(sort -s -gr <<<"$scores")" ] || fail "relevance --json: scores not descending: $(tr '\n' ' ' <<<"$scores")"
first_row=$(sed -n 2p <<<"$json")
[[ $first_row == ' {"path": '*', "lastUpdating": '*', "size": '*', "words": '*', "archive": '*', "position": '*', "label": '*', "packedFile": null, "member": null, "stale": false, "staleReason": "", "score": '* ]] ||
  fail "relevance --json: keys changed: $first_row"
for order in archive date size path; do
  search zebra --order "$order" --json | grep -q '"score"' && fail "--order $order --json carries a score"
done
counted=$(search zebra --order relevance --json --limit 1 --count)
grep -q '^{"count": 7, "rows": \[' <<<"$counted" || fail "relevance --json --count: $counted"

# A bad key: a clear message and status 2; completion offers the keys.
err=$("$vedra" --workdir "$work" search zebra --order best 2>&1 >/dev/null)
status=$?
[ "$status" = 2 ] || fail "--order best: status $status, want 2"
[ "$err" = "vedra search: --order takes relevance, archive, date, size or path, not 'best'" ] || fail "--order best: message [$err]"
"$vedra" --workdir "$work" search zebra --order >/dev/null 2>&1
[ $? = 2 ] || fail "--order without a value accepted"

if [ $failures -eq 0 ]; then echo "1 passed, 0 failed"; exit 0; fi
echo "0 passed, 1 failed"; exit 1
