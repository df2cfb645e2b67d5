#!/usr/bin/python3
"""Scores ranked results against the judged set: nDCG@10 and MRR@10 per tool.

    bench/relevance/score.py --judged judged.tsv --results RESULTS.tsv [--detail]

RESULTS.tsv has one line per result: tool, query id, rank (1..), path relative to
the corpus root. A tool that answered no query at all is listed with a line
"tool<TAB>-<TAB>unavailable<TAB>why" and shown as not available.

nDCG@10: gain 2^grade - 1 (3 for the page, 1 for a closely related page) at rank
r, discounted by log2(r + 1), over the same sum for the judged pages in grade
order. MRR@10: 1 / the rank of the first page of grade 2 among the first ten (0
when none). Both are means over every query of the set: a query a tool answers
with nothing scores 0.
"""

import argparse
import collections
import math
import sys

CUTOFF = 10


def read_judged(path):
    grades = collections.defaultdict(dict)
    words = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            if line.startswith("#") or not line.strip():
                continue
            query, grade, page, text = line.rstrip("\n").split("\t")
            grades[query][page] = int(grade)
            words[query] = text
    return grades, words


def read_results(path):
    ranked = collections.defaultdict(lambda: collections.defaultdict(list))
    tools, unavailable = [], {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            tool, query, rank, page = line.rstrip("\n").split("\t", 3)
            if tool not in tools:
                tools.append(tool)
            if query == "-":
                unavailable[tool] = page
                continue
            if query not in ranked[tool]:
                ranked[tool][query] = []
            ranked[tool][query].append((int(rank), page))
    for tool in ranked:
        for query in ranked[tool]:
            ranked[tool][query] = [page for _, page in sorted(ranked[tool][query])]
    return tools, ranked, unavailable


def dcg(gains):
    return sum(gain / math.log2(rank + 2) for rank, gain in enumerate(gains[:CUTOFF]))


def ndcg(pages, judged):
    ideal = dcg(sorted((2 ** g - 1 for g in judged.values()), reverse=True))
    return dcg([2 ** judged.get(p, 0) - 1 for p in pages]) / ideal if ideal else 0.0


def first_wanted(pages, judged):
    """The rank (1..10) of the first page of grade 2, or None."""
    for rank, page in enumerate(pages[:CUTOFF], 1):
        if judged.get(page) == 2:
            return rank
    return None


def main():
    options = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    options.add_argument("--judged", required=True)
    options.add_argument("--results", required=True)
    options.add_argument("--detail", action="store_true", help="the rank of the wanted page per query and tool")
    args = options.parse_args()
    grades, words = read_judged(args.judged)
    tools, ranked, unavailable = read_results(args.results)
    queries = sorted(grades)

    print(f"{'order':<20} {'nDCG@10':>8} {'MRR@10':>7} {'first':>6} {'in 10':>6} {'none':>5}")
    for tool in tools:
        if tool in unavailable:
            print(f"{tool:<20} not available: {unavailable[tool]}")
            continue
        ndcgs, rrs, first, found, empty = [], [], 0, 0, 0
        for query in queries:
            pages = ranked[tool].get(query, [])
            ndcgs.append(ndcg(pages, grades[query]))
            rank = first_wanted(pages, grades[query])
            rrs.append(1.0 / rank if rank else 0.0)
            first += rank == 1
            found += rank is not None
            empty += not pages
        n = len(queries)
        print(f"{tool:<20} {sum(ndcgs) / n:8.3f} {sum(rrs) / n:7.3f} {first:>6} {found:>6} {empty:>5}")
    print(f"({len(queries)} queries; first: the wanted page ranked first; in 10: among the first ten;"
          " none: no result)")

    if args.detail:
        shown = [t for t in tools if t not in unavailable]
        print()
        print("Rank of the wanted page (- = not in the first ten):")
        print(f"{'query':<6} {'words':<36}" + "".join(f" {t[:12]:>12}" for t in shown))
        for query in queries:
            cells = []
            for tool in shown:
                rank = first_wanted(ranked[tool].get(query, []), grades[query])
                cells.append(str(rank) if rank else "-")
            print(f"{query:<6} {words[query]:<36}" + "".join(f" {c:>12}" for c in cells))
    return 0


if __name__ == "__main__":
    sys.exit(main())
