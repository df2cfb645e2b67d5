#!/usr/bin/env bash
# The judged-relevance bench's own parts: the figures its scorer gives for ranked
# lists worked out by hand, and the rules by which its set is made from titles and
# headings (numbering and suffixes stripped, which tokens are query words, which
# page of a manual becomes a query, which pages are graded 2 and 1).
source "$(dirname "${BASH_SOURCE[0]}")/test_support.sh"
relevance=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../bench/relevance" && pwd)

# q1 wants a (2) and b (1); q2 wants c (2).
printf '# header\nq1\t2\ta.html\tw1\nq1\t1\tb.html\tw1\nq2\t2\tc.html\tw2\n' >"$tmp/judged.tsv"
{
  # Rows out of order: the rank decides, not the line.
  printf 'x\tq1\t2\ta.html\nx\tq1\t1\tb.html\n'
  printf 'y\tq1\t1\ta.html\n'
  for rank in $(seq 1 10); do printf 'y\tq2\t%d\tother%d.html\n' "$rank" "$rank"; done
  printf 'y\tq2\t11\tc.html\n'
  printf 'z\t-\tunavailable\tvedra search: unknown option\n'
} >"$tmp/results.tsv"
out=$(/usr/bin/python3 "$relevance/score.py" --judged "$tmp/judged.tsv" --results "$tmp/results.tsv" --detail) ||
  fail "score.py exited $?: $out"
# x: q1 (1 + 3/log2 3) / (3 + 1/log2 3) = 0.7967, q2 nothing; MRR (1/2 + 0) / 2.
grep -qE '^x +0\.398 +0\.250 +0 +1 +1$' <<<"$out" || fail "x's line: $out"
# y: q1 3 / 3.6309 = 0.8262; c at rank 11 is past the cut-off: q2 scores 0.
grep -qE '^y +0\.413 +0\.500 +1 +1 +0$' <<<"$out" || fail "y's line: $out"
grep -qx 'z                    not available: vedra search: unknown option' <<<"$out" || fail "z's line: $out"
grep -qE '^q1 +w1 +2 +1$' <<<"$out" || fail "q1's detail: $out"
grep -qE '^q2 +w2 +- +-$' <<<"$out" || fail "q2's detail: $out"

# The set's rules, on titles of both manuals and on a made-up manual.
cat >"$tmp/rules.py" <<'EOF'
import runpy, sys, types
# Run as a module, not as the script (its main part does not run).
m = types.SimpleNamespace(**runpy.run_path(sys.argv[1] + "/make-set.py", run_name="make_set"))
checks = [
    (m.subject("os.path \u2014 Common pathname manipulations \u2014 Python 3.11.2 documentation", "python"),
     "Common pathname manipulations"),
    (m.subject("4. More Control Flow Tools &#8212; Python 3.11.2 documentation", "python"), "More Control Flow Tools"),
    (m.subject("9.4. String Functions and Operators", "postgresql"), "String Functions and Operators"),
    (m.subject("Part III. Server Administration", "postgresql"), "Server Administration"),
    (m.subject("F.1. adminpack", "postgresql"), "adminpack"),
    (m.subject("Appendix A. PostgreSQL Error Codes", "postgresql"), "PostgreSQL Error Codes"),
    (m.subject("SELECT", "postgresql"), "SELECT"),
    (m.content_words("The pg_dump and I/O of User-Defined Types (Large Objects)"), ["types", "large", "objects"]),
    (m.content_words("What's New In Python 3.11"), ["python"]),
]
pages = [("postgresql", "postgresql/p%02d.html" % i, "Topic%s Things" % chr(97 + i), ["Topic%s Things" % chr(97 + i)])
         for i in range(9)]
pages += [
    ("postgresql", "postgresql/single.html", "Loneword", ["Loneword"]),
    ("postgresql", "postgresql/twin.html", "Topice Things", ["Topice Things"]),
    ("postgresql", "postgresql/zrel.html", "Other", ["Other", "Things of Topice, again"]),
]
queries = m.make_set(pages, 3, ["postgresql"])
checks += [
    # 10 candidates (single.html has one content word): every third from the second.
    ([q[0] for q in queries], [["topicb", "things"], ["topice", "things"], ["topich", "things"]]),
    (queries[1][1], [(2, "postgresql/p04.html"), (2, "postgresql/twin.html"), (1, "postgresql/zrel.html")]),
    (queries[0][1], [(2, "postgresql/p01.html")]),
]
bad = [f"got {got!r}, wanted {wanted!r}" for got, wanted in checks if got != wanted]
print("\n".join(bad))
sys.exit(1 if bad else 0)
EOF
out=$(/usr/bin/python3 "$tmp/rules.py" "$relevance" 2>&1) || fail "set rules: $out"

if [ $failures -eq 0 ]; then echo "1 passed, 0 failed"; exit 0; fi
echo "0 passed, 1 failed"; exit 1
