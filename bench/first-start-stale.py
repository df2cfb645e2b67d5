#!/usr/bin/python3
"""Stale rows right after the first start: makes the archive DOCUMENTI in a fresh
working folder as the first start does (`vedra create documenti --more-types`,
then `vedra index --unpack` of the documentation folder), runs a fixed set of
searches with `vedra search WORDS --all-archives --json` and counts the rows
flagged stale, with the reason of each. Nothing on the disk changed since the run,
so every such row is a fault; the exit status is 1 when there is one.

  bench/first-start-stale.py [--build DIR] [--docs DIR] [--work DIR] [--user NAME]
                             [--default-types] [--show N] [--keep]

  --build DIR      build folder holding src/cli/vedra (default: <repo>/build)
  --docs DIR       folder indexed (default: /usr/share/doc)
  --work DIR       make the home and working folder in DIR, which must not exist
                   (default: a temporary folder, removed afterwards)
  --user NAME      run vedra as this user (when started as root): a user may not
                   write /usr/share/doc, so the run unpacks below the working
                   folder's "vedratemp/" instead of beside each packed file
  --default-types  create the archive without the more-types rules
  --show N         list at most N stale rows (default 40)
  --keep           keep the temporary folder and print it

The working folder is $HOME/VedraReader/vedraprog with HOME inside the fresh
folder, as scripts/run makes it. Rows are counted once per query that lists them
("rows checked") and once per stored label ("distinct rows").
"""
import argparse
import collections
import datetime
import json
import os
import pathlib
import pwd
import shutil
import subprocess
import sys
import tempfile
import time

# One- and two-word AND queries (words of licences, Debian changelogs, man pages,
# READMEs, HTML manuals, the PDFs of /usr/share/doc), then wide OR queries that
# between them list most documents of the archive.
QUERIES = [
    ("gpl license", False), ("copyright", False), ("debian", False), ("changelog", False),
    ("gnu general public", False), ("free software", False), ("warranty", False), ("bsd", False),
    ("mit", False), ("apache", False), ("upstream", False), ("maintainer", False),
    ("urgency closes", False), ("bug fixed", False), ("release", False), ("version", False),
    ("install", False), ("usage", False), ("options", False), ("synopsis description", False),
    ("readme", False), ("example", False), ("documentation", False), ("manual", False),
    ("tutorial", False), ("author", False), ("python", False), ("perl", False), ("library", False),
    ("error", False), ("unicode", False), ("mime", False), ("chapter", False), ("security", False),
    ("html", False), ("index", False), ("lintian", False), ("pdfmark", False), ("typesetting", False),
    ("asn1", False), ("valgrind", False), ("fontconfig", False),
    ("copyright debian version file release package documentation upstream license changelog", True),
    ("this that with from have which will when there more", True),
    ("error system library install example options html readme usage manual", True),
    ("data value function return type name code line list text", True),
]


def row_kind(row):
    if row.get("packedFile"):
        return "member"
    label = row["label"].lower()
    if label.endswith(".pdf.txt"):
        return "pdf"
    if label.endswith((".html", ".htm")):
        return "html"
    return "file"


def main():
    repo = pathlib.Path(__file__).resolve().parent.parent
    parser = argparse.ArgumentParser(add_help=True, description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", default=str(repo / "build"))
    parser.add_argument("--docs", default="/usr/share/doc")
    parser.add_argument("--work")
    parser.add_argument("--user")
    parser.add_argument("--default-types", action="store_true")
    parser.add_argument("--show", type=int, default=40)
    parser.add_argument("--keep", action="store_true")
    options = parser.parse_args()

    vedra = pathlib.Path(options.build) / "src/cli/vedra"
    if not os.access(vedra, os.X_OK):
        sys.exit(f"first-start-stale: no {vedra}; build it first (scripts/build {options.build})")
    if not os.path.isdir(options.docs):
        sys.exit(f"first-start-stale: no folder {options.docs}")
    if options.work:
        work = pathlib.Path(options.work).resolve()
        if work.exists():
            sys.exit(f"first-start-stale: {work} exists; give a folder that does not")
        work.mkdir(parents=True)
    else:
        work = pathlib.Path(tempfile.mkdtemp(prefix="first-start-stale-"))
    prefix = []
    if options.user:
        if os.getuid() != 0:
            sys.exit("first-start-stale: --user needs to be started as root")
        account = pwd.getpwnam(options.user)
        prefix = ["setpriv", f"--reuid={account.pw_uid}", f"--regid={account.pw_gid}", "--clear-groups"]
        # The user must reach the folder: a temporary one is the owner's only.
        os.chmod(work, 0o755)
    home = work / "home"
    workdir = home / "VedraReader" / "vedraprog"
    workdir.mkdir(parents=True)
    if options.user:
        for folder in [work, *work.rglob("*")]:
            os.chown(folder, account.pw_uid, account.pw_gid)
    environment = dict(os.environ, HOME=str(home))

    def run(*arguments):
        return subprocess.run([*prefix, str(vedra), *arguments], cwd=workdir, env=environment,
                              capture_output=True, text=True, errors="replace")

    try:
        created = run("create", "documenti", "--description", f"Documentation of this machine ({options.docs})",
                      *([] if options.default_types else ["--more-types"]))
        if created.returncode != 0:
            sys.exit(f"first-start-stale: create failed ({created.returncode}): {created.stderr.strip()}")
        started = datetime.datetime.now()
        clock = time.monotonic()
        indexed = run("index", "--unpack", options.docs, "--json")
        seconds = time.monotonic() - clock
        if indexed.returncode != 0:
            sys.exit(f"first-start-stale: index failed ({indexed.returncode}): {indexed.stderr.strip()[-2000:]}")
        counters = json.loads(indexed.stdout)

        # The run removes every unpack folder it made, beside the files or mirrored.
        left = [str(path) for base in (pathlib.Path(options.docs), workdir / "vedratemp") if base.is_dir()
                for path in base.rglob("*_vedratemp") if path.is_dir()]

        print(f"{'query':<44} {'rows':>6} {'stale':>6}")
        checked = 0
        labels = {}
        stale = {}
        for words, any_word in QUERIES:
            answer = run("search", *words.split(), "--all-archives", "--json", *(["--or"] if any_word else []))
            if answer.returncode != 0:
                sys.exit(f"first-start-stale: search {words} failed ({answer.returncode}): {answer.stderr.strip()}")
            rows = json.loads(answer.stdout)
            checked += len(rows)
            flagged = [row for row in rows if row["stale"]]
            for row in rows:
                labels.setdefault(row["label"], row_kind(row))
            for row in flagged:
                stale.setdefault(row["label"], row)
            shown = words if len(words) <= 40 else words[:37] + "..."
            print(f"{shown + (' (or)' if any_word else ''):<44} {len(rows):>6} {len(flagged):>6}")

        stale_count = len(stale)
        kinds = collections.Counter(labels.values())
        reasons = collections.Counter(row["staleReason"] for row in stale.values())
        print()
        print(f"date: {started:%Y-%m-%d %H:%M}  folder: {options.docs}  user: {options.user or pwd.getpwuid(os.getuid()).pw_name}"
              f"  rules: {'default' if options.default_types else 'more types'}")
        print(f"first-start run: {seconds:.1f} s, {counters.get('filesIndexed')} files indexed, "
              f"{counters.get('filesWithText')} with text, {counters.get('filesNotRead')} not read")
        print(f"unpack folders left after the run: {len(left)}")
        for path in left[:options.show]:
            print(f"  {path}")
        print(f"queries: {len(QUERIES)}  rows checked: {checked}  distinct rows: {len(labels)} "
              f"({', '.join(f'{kind} {count}' for kind, count in sorted(kinds.items()))})")
        print(f"stale rows: {stale_count} distinct"
              + (f" ({', '.join(f'{reason} {count}' for reason, count in sorted(reasons.items()))})" if stale else ""))
        for row in list(stale.values())[:options.show]:
            print(f"  {row['staleReason']:<9} {row['path']}   [{row['label']}]")
        return 1 if stale or left else 0
    finally:
        if options.keep or options.work:
            print(f"kept: {work}")
        else:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
