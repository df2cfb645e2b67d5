#!/usr/bin/python3
"""Makes the judged set (judged.tsv) from the titles and headings of the Python and
PostgreSQL HTML manuals of this machine, by the rule in README.md. It reads no
search tool's output: only the HTML files.

    bench/relevance/make-set.py [--out FILE] [--per-manual N]

The corpus is every .html file of the two manuals, named by its path below a
corpus root that holds them as python/... and postgresql/... (relevance-bench.sh
copies them there).
"""

import argparse
import html
import html.parser
import os
import re
import subprocess
import sys

MANUALS = [
    # (folder in the corpus, where Debian installs the HTML, package)
    ("postgresql", "/usr/share/doc/postgresql-doc-15/html", "postgresql-doc-15"),
    ("python", "/usr/share/doc/python3.11/html", "python3.11-doc"),
]

# Words a title is made of that say nothing of its subject.
STOP_WORDS = frozenset("""
    a about after all also an and any are as at be before between by can do does
    for from how in into is it its more new not of on or other over some that the
    their them then there these this those to under up use used using via what
    when where which while who why will with within without you your
""".split())

# "4. ", "9.4. ", "F.1. ", "Part III. ", "Chapter 9. ", "Appendix A. "
NUMBERING = re.compile(r"^(?:(?:Part|Chapter|Appendix)\s+)?(?:[0-9]+|[A-Z]|[IVXLC]+)(?:\.[0-9]+)*\.\s+")
PYTHON_SUFFIX = re.compile(r"\s+\u2014\s+Python [0-9.]+ documentation$")


class Headings(html.parser.HTMLParser):
    """The text of a page's <title> and of its h1 and h2 headings."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.title = ""
        self.headings = []
        self._in = None
        self._text = []

    def handle_starttag(self, tag, attrs):
        if tag in ("title", "h1", "h2") and self._in is None:
            self._in = tag
            self._text = []

    def handle_endtag(self, tag):
        if tag == self._in:
            text = " ".join("".join(self._text).replace("\u00b6", " ").split())
            if tag == "title":
                if not self.title:
                    self.title = text
            else:
                self.headings.append(text)
            self._in = None

    def handle_data(self, data):
        if self._in is not None:
            self._text.append(data)


def subject(title, manual):
    """The title without the manual's suffix, the module name and the numbering."""
    text = html.unescape(title)
    if manual == "python":
        text = PYTHON_SUFFIX.sub("", text)
        # "os.path — Common pathname manipulations": the description.
        if " \u2014 " in text:
            text = text.split(" \u2014 ", 1)[1]
    return NUMBERING.sub("", text).strip()


def content_words(text):
    """Whitespace-separated tokens, punctuation around them stripped, that are
    made of three or more ASCII letters and are not stop words, lower-cased.
    "pg_dump", "os.path", "I/O", "User-Defined" are not content words: the
    tools split such tokens differently."""
    words = []
    for token in text.split():
        token = token.strip(".,:;()[]'\"!?\u2018\u2019\u201c\u201d").lower()
        if re.fullmatch(r"[a-z]{3,}", token) and token not in STOP_WORDS:
            words.append(token)
    return words


def letter_runs(text):
    return set(re.findall(r"[a-z]+", html.unescape(text).lower()))


def read_manuals():
    pages = []  # (manual, relative path, subject, [title and heading texts])
    for manual, folder, _ in MANUALS:
        if not os.path.isdir(folder):
            sys.exit(f"make-set: {folder} is missing (apt-get install {dict((m[0], m[2]) for m in MANUALS)[manual]})")
        for base, dirs, files in os.walk(folder):
            dirs.sort()
            for name in sorted(files):
                if not name.endswith(".html"):
                    continue
                path = os.path.join(base, name)
                parser = Headings()
                with open(path, encoding="utf-8", errors="replace") as f:
                    parser.feed(f.read())
                relative = manual + "/" + os.path.relpath(path, folder)
                pages.append((manual, relative, subject(parser.title, manual), [parser.title] + parser.headings))
    return pages


def package_version(package):
    try:
        return subprocess.run(["dpkg-query", "-W", "-f=${Version}", package], capture_output=True, text=True,
                              check=True).stdout
    except (OSError, subprocess.CalledProcessError):
        return "not installed"


def make_set(pages, per_manual, manuals=tuple(m[0] for m in MANUALS)):
    queries = []  # (query words, [(grade, path)])
    for manual in manuals:
        candidates = sorted((p for p in pages if p[0] == manual and len(content_words(p[2])) >= 2), key=lambda p: p[1])
        if len(candidates) < per_manual:
            sys.exit(f"make-set: only {len(candidates)} pages of {manual} have a title of two content words")
        step = len(candidates) // per_manual
        for i in range(per_manual):
            page = candidates[step // 2 + i * step]
            words = content_words(page[2])[:3]
            same = {p[1] for p in pages if content_words(p[2])[:3] == words}
            related = set()
            for other in pages:
                if other[1] in same:
                    continue
                if any(set(words) <= letter_runs(text) for text in other[3]):
                    related.add(other[1])
            judged = [(2, p) for p in sorted(same)] + [(1, p) for p in sorted(related)]
            queries.append((words, judged))
    return queries


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    options = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    options.add_argument("--out", default=os.path.join(here, "judged.tsv"))
    options.add_argument("--per-manual", type=int, default=20)
    args = options.parse_args()
    pages = read_manuals()
    queries = make_set(pages, args.per_manual)
    lines = ["# The judged set of bench/relevance (made by make-set.py; the rule is in README.md).",
             "# Corpus: " + ", ".join(f"{m}/ = {folder}/**/*.html of {p} {package_version(p)}"
                                      for m, folder, p in MANUALS),
             f"# {len(pages)} pages; {len(queries)} queries; grade 2 = the page the query was made from"
             " (or a page whose title gives the same query), 1 = a page whose title, h1 or h2 holds every query word.",
             "# query\tgrade\tpath\twords"]
    for number, (words, judged) in enumerate(queries, 1):
        for grade, path in judged:
            lines.append(f"q{number:02d}\t{grade}\t{path}\t{' '.join(words)}")
    with open(args.out, "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")
    ones = sorted(sum(1 for g, _ in judged if g == 1) for _, judged in queries)
    print(f"make-set: {len(queries)} queries from {len(pages)} pages into {args.out}; "
          f"pages graded 1 per query: median {ones[len(ones) // 2]}, most {ones[-1]}", file=sys.stderr)


if __name__ == "__main__":
    main()
