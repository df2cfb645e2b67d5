#!/usr/bin/env bash
# `vedra calc`: the value's number text, or the partly reduced text and status 1.
source "$(dirname "${BASH_SOURCE[0]}")/test_support.sh"
calc() { "$vedra" --workdir "$tmp/work" calc "$@" 2>"$tmp/err"; }

out=$(calc '2+3*4'); status=$?
[ "$out" = "+14.000000" ] && [ $status -eq 0 ] || fail "2+3*4: '$out' status $status"
out=$(calc '(2+3)*4'); [ "$out" = "+20.000000" ] || fail "(2+3)*4: $out"
out=$(calc -8^3); [ "$out" = "-512.000000" ] || fail "-8^3 (not taken as an option): $out"
out=$(calc 2 ^ -2); [ "$out" = "+0.250000" ] || fail "words joined: $out"
out=$(calc 'arcsen 0.5'); [ "$out" = "$(calc arcsin0.5)" ] || fail "arcsen and arcsin differ: $out"

out=$(calc '1+sqrt(2-6)'); status=$?
[ "$out" = "1+sqrt-4.000000" ] && [ $status -eq 1 ] || fail "failure: '$out' status $status"
grep -q "cannot be calculated" "$tmp/err" || fail "failure message: $(cat "$tmp/err")"
out=$(calc 'ln 0'); [ $? -eq 1 ] && [ "$out" = "ln0" ] || fail "ln 0: $out"

calc >/dev/null; [ $? -eq 2 ] || fail "no expression accepted"
calc "$(printf '1%.0s' $(seq 600))" >/dev/null; [ $? -eq 1 ] || fail "over-long expression accepted"

# The graph's findings: a parabola's minimum at 0, the zero marks of x^2-1.
out=$("$vedra" --workdir "$tmp/work" graph 'x^2' -2 2 2>"$tmp/err"); status=$?
[ $status -eq 0 ] || fail "graph status $status: $(cat "$tmp/err")"
grep -qx "minimum	0	0" <<<"$out" || fail "graph x^2 minimum: $out"
grep -q "^zero" <<<"$out" && fail "x^2 has no zero marks: $out"
out=$("$vedra" --workdir "$tmp/work" graph 'x^2-1' -2 2 --size 401x300 2>/dev/null)
[ "$(grep -c "^zero" <<<"$out")" = 2 ] || fail "x^2-1 zero marks: $out"
grep -qx "columns	400	undefined	0" <<<"$out" || fail "graph columns: $out"
"$vedra" --workdir "$tmp/work" graph 'ln(0*x)' -1 1 >/dev/null 2>&1; [ $? -eq 1 ] || fail "graph with no value"
"$vedra" --workdir "$tmp/work" graph 'x' -1 >/dev/null 2>&1; [ $? -eq 2 ] || fail "graph without a range"

if [ $failures -eq 0 ]; then echo "1 passed, 0 failed"; exit 0; fi
echo "0 passed, 1 failed"; exit 1
