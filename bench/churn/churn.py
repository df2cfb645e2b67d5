#!/usr/bin/python3
# Does the index follow the disk? Precision and recall of `vedra search` on a tree of real
# documents, after a first run and after the tree has changed as a user changes it.
#
# The tree is bench/recall/by_type.py's (pandoc .odt .docx .epub .pptx, odfpy .ott .ods .odp
# .odg, openpyxl .xlsx, groff PDFs of manual pages, .gz, HTML, Markdown, files without an
# extension or with an unknown one), with plain-text manual pages (.txt) and .zip files holding
# text and HTML members added here. The archive is created with --more-types and filled with
# `vedra index --unpack TREE`.
#
# The truth is by_type.py's independent reader: each file (each member of a .zip made here) is
# read again from the disk at the time of the measure, and its words are the runs of letters
# of its text, accents folded, lower case. The words searched are a seeded sample of the words
# the archive's rules register whole (ASCII letters only, longer than its minimum length, no
# longer than its truncation length, root present, no stop word), so that what is measured is
# whether rows follow the disk, not the word rules (bench/recall measures those), plus every
# word an edit took away, some it added, and words of every file deleted, moved or renamed.
#
#   precision = listed (unit, word) pairs that are right / listed pairs: right when the unit
#               (a file, or a member of a .zip made here) is on the disk and holds the word
#               (the reader's words, or the words of every member and of its markup read the
#               indexer's documented way); several rows of one office file count once.
#   recall    = (unit, word) pairs of the reader that are listed / pairs of the reader that the
#               word rules can hold (the indexer's documented reading of the same bytes gives the
#               word too: not written with a capital accented letter, not split by inline markup);
#               the recall of every pair of the reader is given beside it.
#
# Phases: (a) the first run; then the churn (edits replacing words, deletions, moves across
# folders, a folder renamed, new files, office files, a .zip and a .gz rewritten); (b) a normal
# run, and (b, --update) the same churned tree indexed with `--update` into a second working
# folder that held the same first run. Every wrong row is classed (stale word, gone file, moved
# file listed twice, member of a packed file, PDF text) and every miss given a cause.
#
#   /usr/bin/python3 bench/churn/churn.py --vedra build/src/cli/vedra --report churn.md
#
# Needs (Debian): pandoc python3-odf python3-openpyxl groff poppler-utils 7zip.
import argparse
import collections
import datetime
import gzip
import json
import os
import random
import re
import shutil
import socket
import sys
import tempfile
import time
import zipfile

sys.dont_write_bytecode = True  # no caches left in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "recall"))
import by_type  # noqa: E402
from recall import ArchiveRules, Vedra, bytes_view_words, catalogue_limits, decode_text, pdf_text, tokens_of  # noqa: E402

ARCHIVE_NAME = "churn"
PACKAGES = ["pandoc", "python3-odf", "python3-openpyxl", "groff", "poppler-utils", "7zip"]
SEP = " \u00bb "
OFFICE = ("odt", "ott", "ods", "odp", "odg", "docx", "xlsx", "pptx", "epub")
PRECISION_TARGET, RECALL_TARGET = 99.9, 99.5

# --------------------------------------------------------------------------------------------
# The tree: by_type's, plus plain text and .zip files of text and HTML.
# --------------------------------------------------------------------------------------------


def doc_html_files():
    found = []
    for folder, _, names in os.walk("/usr/share/doc"):
        for name in names:
            path = os.path.join(folder, name)
            if name.endswith(".html") and not os.path.islink(path) and 2000 < os.path.getsize(path) < 120000:
                found.append(path)
    return sorted(found)


class Sources:
    """Manual pages as text and HTML pages of the documentation, drawn at random."""

    def __init__(self, rng):
        self.rng = rng
        _, manuals = by_type.sources(rng)
        self.pages = list(manuals[""])
        self.html = doc_html_files()

    def page(self):
        for _ in range(50):
            path = self.rng.choice(self.pages)
            text = by_type.man_text(path)
            if text:
                return os.path.basename(path).split(".")[0], path, text
        raise RuntimeError("no manual page could be read")

    def html_page(self):
        return self.rng.choice(self.html)


def write_pack(path, members):
    """A .zip of (name, bytes, date) members."""
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as packed:
        for name, data, date in members:
            packed.writestr(zipfile.ZipInfo(name, date), data)


def file_date(path):
    return time.localtime(os.path.getmtime(path))[:6]


def new_pack(path, sources, count):
    members = []
    for number in range(count):
        if number == count - 1:
            page = sources.html_page()
            with open(page, "rb") as handle:
                members.append(("page-%d.html" % number, handle.read(), file_date(page)))
        else:
            stem, manual, text = sources.page()
            members.append(("%s-%d.txt" % (stem, number), text.encode("utf-8"), file_date(manual)))
    write_pack(path, members)


def make_tree(out, per_type, seed, sources):
    counts = by_type.make_tree(out, per_type, seed)
    for number in range(40):
        stem, _, text = sources.page()
        folder = os.path.join(out, "txt", "abcd"[number % 4])
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "%s-%02d.txt" % (stem, number)), "w", encoding="utf-8") as handle:
            handle.write(text)
        counts["txt"] = counts.get("txt", 0) + 1
    os.makedirs(os.path.join(out, "zip"), exist_ok=True)
    for number in range(15):
        new_pack(os.path.join(out, "zip", "pack-%02d.zip" % number), sources, 3)
        counts["zip"] = counts.get("zip", 0) + 1
    return counts


# --------------------------------------------------------------------------------------------
# The independent reading: units (a file, or a member of a .zip) and their words.
# --------------------------------------------------------------------------------------------


def kind_of(path, reader_kind):
    if path.endswith(".txt"):
        return "txt"
    return reader_kind.split(" ")[0]


def markup_kind(kind, path):
    return kind in ("html",) + OFFICE or (kind == "gz" and path.endswith((".html.gz", ".htm.gz")))


def member_text(name, data):
    return by_type.html_text(data) if name.endswith((".html", ".htm")) else (decode_text(data) or "")


def read_document(path):
    """by_type's reading, and a PDF packed in a .gz read through pdftotext, as the run converts it."""
    if not path.endswith(".pdf.gz"):
        return by_type.read_file(path)
    with tempfile.NamedTemporaryFile(suffix=".pdf") as handle:
        try:
            with open(path, "rb") as packed:
                handle.write(gzip.decompress(packed.read()))
        except (OSError, EOFError):
            return "gz", None
        handle.flush()
        return "gz", pdf_text(handle.name)


def content_bytes(path, kind, text):
    """The bytes the reader read a document's text from (its text for a PDF)."""
    if kind == "pdf" or path.endswith(".pdf.gz"):
        return (text or "").encode("utf-8")
    return by_type.member_bytes(path, kind if kind in OFFICE + ("gz",) else "unknown-extension")


def all_bytes(path, kind, text):
    """Every byte of a file's text: each member of a zip-based document, a .gz unpacked."""
    if kind == "pdf" or path.endswith(".pdf.gz"):
        return (text or "").encode("utf-8")
    if kind in OFFICE:
        return b"\n".join((by_type.zip_members(path) or {}).values())
    return by_type.member_bytes(path, kind if kind in ("gz",) else "unknown-extension")


def held_anywhere(data, markup, rules):
    """The words of some bytes read the indexer's documented way, with and without markup."""
    return bytes_view_words(data, markup, rules) | bytes_view_words(data, False, rules)


def read_units(tree, rules):
    """{(file, member or None): {"kind", "words", "held", "judge"}}: words are the reader's;
    held those of them that the indexer's documented reading of the same bytes gives too (the
    word rules can hold them: no capital accented letter, no markup inside the word); judge
    adds every word the bytes hold anywhere (each member, markup and styles too), for telling
    a listed row right."""
    units = {}
    for folder, _, names in sorted(os.walk(tree)):
        for name in sorted(names):
            path = os.path.join(folder, name)
            if name.endswith(".zip"):
                for member, data in sorted((by_type.zip_members(path) or {}).items()):
                    markup = member.endswith((".html", ".htm"))
                    words = set(tokens_of(member_text(member, data)))
                    units[(path, member)] = {"kind": "zip member", "words": words,
                                             "held": words & bytes_view_words(data, markup, rules),
                                             "judge": words | held_anywhere(data, markup, rules)}
                continue
            reader_kind, text = read_document(path)
            kind = kind_of(path, reader_kind)
            markup = markup_kind(kind, path)
            words = set(tokens_of(text or ""))
            units[(path, None)] = {
                "kind": kind, "words": words,
                "held": words & bytes_view_words(content_bytes(path, kind, text), markup, rules),
                "judge": words | held_anywhere(all_bytes(path, kind, text), markup, rules)}
    return units


def eligible(word, rules):
    return word.isascii() and word.isalpha() and len(word) >= 4 and rules.registers(word)


# --------------------------------------------------------------------------------------------
# The churn.
# --------------------------------------------------------------------------------------------


def word_pattern(word):
    # A word between non-letters, as the reader cuts words (digits stay apart: "linux2").
    return re.compile(r"(?<![^\W\d_])%s(?![^\W\d_])" % re.escape(word), re.IGNORECASE)


def in_markup(text, word):
    return bool(word_pattern(word).search(" ".join(re.findall(r"<[^>]*>", text))))


class Churn:
    """The changes to the tree: planned on the tree as the first run saw it (what to change, the
    new contents, the words to search), applied after the first measure. It remembers what each
    old path became."""

    def __init__(self, tree, staging, units, rules, rng, sources):
        self.tree, self.staging, self.units, self.rules, self.rng, self.sources = tree, staging, units, rules, rng, sources
        self.frequency = collections.Counter(w for unit in units.values() for w in unit["words"] if eligible(w, rules))
        self.pool = sorted(self.frequency)
        self.old = {}          # old path (or "pack.zip » member") -> (what became of it, new path or None)
        self.edited = {}       # unit -> (removed words, added words)
        self.new_files = []
        self.operations = collections.Counter()
        self.probe_words = set()
        self.actions = []

    def files(self):
        return sorted({path for path, _ in self.units})

    def replacements(self, unit, text, count=3):
        """Words of the unit to take away (mostly rare ones) and the words that replace them."""
        words = [w for w in sorted(self.units[unit]["words"]) if eligible(w, self.rules) and not in_markup(text, w)
                 and word_pattern(w).search(text)]
        if len(words) < count:
            return None
        rare = [w for w in words if self.frequency[w] <= 2]
        removed = self.rng.sample(rare, min(len(rare), count - 1))
        removed += self.rng.sample([w for w in words if w not in removed], count - len(removed))
        added = []
        while len(added) < count:
            word = self.rng.choice(self.pool)
            if word not in self.units[unit]["words"] and word not in added:
                added.append(word)
        return removed, added

    @staticmethod
    def replaced(text, removed, added):
        for old, new in zip(removed, added):
            text = word_pattern(old).sub(new, text)
        return text

    def note_edit(self, unit, removed, added, operation):
        self.edited[unit] = (removed, added)
        self.probe_words.update(removed)
        self.probe_words.update(added[:1])
        self.operations[operation] += 1

    def probe(self, unit, count=3):
        words = sorted(w for w in self.units[unit]["words"] if eligible(w, self.rules))
        self.probe_words.update(self.rng.sample(words, min(count, len(words))))

    def write_later(self, path, data):
        def write():
            with open(path, "wb") as handle:
                handle.write(data)
        self.actions.append(write)

    # ---- The operations, planned.

    def rename_folder(self, old, new):
        old_path, new_path = os.path.join(self.tree, old), os.path.join(self.tree, new)
        moved = [path for path in self.files() if path.startswith(old_path + "/")]
        for path in moved:
            self.old[path] = ("renamed folder", new_path + path[len(old_path):])
            self.probe((path, None), 1)
        self.actions.append(lambda: os.rename(old_path, new_path))
        self.operations["folder renamed (%s/, %d files in %d folders)"
                        % (old, len(moved), len({os.path.dirname(p) for p in moved}))] += 1

    def delete(self, path):
        for unit in [u for u in self.units if u[0] == path]:
            self.probe(unit, 3 if unit[1] is None else 2)
        self.old[path] = ("deleted", None)
        self.actions.append(lambda: os.remove(path))
        self.operations["deletions"] += 1

    def move(self, path, folder):
        target = os.path.join(folder, os.path.basename(path))
        for unit in [u for u in self.units if u[0] == path]:
            self.probe(unit, 3 if unit[1] is None else 2)
        self.old[path] = ("moved", target)
        self.actions.append(lambda: os.rename(path, target))
        self.operations["files moved across folders"] += 1

    def edit_text(self, path):
        """A text or HTML file with three words replaced; False when it does not lend itself."""
        with open(path, "rb") as handle:
            data = handle.read()
        try:
            text = data.decode("utf-8")
        except UnicodeDecodeError:
            return False
        chosen = self.replacements((path, None), text)
        if not chosen:
            return False
        self.write_later(path, self.replaced(text, *chosen).encode("utf-8"))
        self.note_edit((path, None), *chosen, "edits of text and HTML files (3 words replaced)")
        return True

    def rewrite_gz(self, path):
        if path.endswith(".pdf.gz"):
            return False
        try:
            with open(path, "rb") as handle:
                text = gzip.decompress(handle.read()).decode("utf-8")
        except (OSError, EOFError, UnicodeDecodeError):
            return False
        chosen = self.replacements((path, None), text)
        if not chosen:
            return False
        self.write_later(path, gzip.compress(self.replaced(text, *chosen).encode("utf-8")))
        self.note_edit((path, None), *chosen, ".gz rewritten (3 words replaced)")
        return True

    def rewrite_office(self, path):
        kind, text = by_type.read_file(path)
        chosen = self.replacements((path, None), text) if text else None
        if not chosen:
            return False
        paragraphs = by_type.paragraphs_of(self.replaced(text, *chosen))
        kind = kind.split(" ")[0]
        staging = os.path.join(self.staging, "%d.%s" % (len(self.actions), kind))
        if kind in ("odt", "docx", "epub", "pptx"):
            if not by_type.pandoc("\n\n".join(paragraphs), "markdown-smart", staging):
                return False
        elif kind == "xlsx":
            by_type.write_xlsx(staging, paragraphs)
        else:
            by_type.write_odf(staging, kind, paragraphs)
        self.actions.append(lambda: shutil.move(staging, path))
        self.note_edit((path, None), *chosen, "office files rewritten (3 words replaced)")
        return True

    def rewrite_pack(self, path):
        """The .zip again without its last member and with three words of its first replaced."""
        with zipfile.ZipFile(path) as packed:
            contents = [(info, packed.read(info)) for info in packed.infolist() if not info.is_dir()]
        if len(contents) < 3:
            return False
        first, dropped = contents[0][0].filename, contents[-1][0].filename
        try:
            text = contents[0][1].decode("utf-8")
        except UnicodeDecodeError:
            return False
        chosen = self.replacements((path, first), text)
        if not chosen:
            return False
        # The changed member is dated when it changed, the others keep their dates.
        members = [(first, self.replaced(text, *chosen).encode("utf-8"), None)]
        members += [(info.filename, data, info.date_time) for info, data in contents[1:-1]]
        self.actions.append(lambda: write_pack(path, [(name, data, date or time.localtime()[:6])
                                                      for name, data, date in members]))
        self.note_edit((path, first), *chosen, ".zip rewritten (a member removed, one with 3 words replaced)")
        self.probe((path, dropped), 3)
        self.old[path + SEP + dropped] = ("member removed", None)
        return True

    def add_files(self, count):
        """New files, written when the churn is applied: half in a new folder, half among the
        folders the tree has then."""
        plan = (["txt"] * 8 + ["html"] * 4 + ["pdf"] * 3 + ["docx", "odt", "odt"] + ["zip", "gz"])[:count]

        def write_all():
            added = os.path.join(self.tree, "added")
            os.makedirs(added, exist_ok=True)
            folders = sorted(folder for folder, _, _ in os.walk(self.tree) if "_vedratemp" not in folder)
            for number, kind in enumerate(plan):
                folder = added if number % 2 == 0 else self.rng.choice(folders)
                path = os.path.join(folder, "new-%02d.%s" % (number, "txt.gz" if kind == "gz" else kind))
                if kind == "html":
                    shutil.copy(self.sources.html_page(), path)
                elif kind == "zip":
                    new_pack(path, self.sources, 3)
                elif kind == "pdf":
                    while not by_type.groff_pdf(self.rng.choice(self.sources.pages), path):
                        pass
                else:
                    _, _, text = self.sources.page()
                    if kind == "txt":
                        with open(path, "w", encoding="utf-8") as handle:
                            handle.write(text)
                    elif kind == "gz":
                        with open(path, "wb") as handle:
                            handle.write(gzip.compress(text.encode("utf-8")))
                    elif not by_type.pandoc("\n\n".join(by_type.paragraphs_of(text)), "markdown-smart", path):
                        continue
                self.new_files.append(path)
                self.operations["new files"] += 1
        self.actions.append(write_all)

    def plan(self, edits, deletions, moves, new_files):
        rng = self.rng
        by_kind = collections.defaultdict(set)
        for path, member in self.units:
            by_kind["zip" if member is not None else self.units[(path, None)]["kind"]].add(path)
        taken = set()

        def pick(kinds, count):
            candidates = sorted({p for k in kinds for p in by_kind.get(k, []) if p not in taken and "example-" not in p})
            chosen = rng.sample(candidates, min(count, len(candidates)))
            taken.update(chosen)
            return chosen

        md = os.path.join(self.tree, "md") + "/"
        self.rename_folder("md", "markdown")
        taken.update(p for p in self.files() if p.startswith(md))
        # Deletions and moves take at least one file of each kind that leaves rows of its own.
        doomed = pick(["pdf"], 1) + pick(["odt"], 1) + pick(["docx"], 1) + pick(["zip"], 1) + pick(["gz"], 1)
        doomed += pick(["html"], 1)
        doomed += pick(sorted(by_kind), deletions - len(doomed))
        moving = pick(["pdf"], 1) + pick(["xlsx"], 1) + pick(["zip"], 1) + pick(["gz"], 1)
        moving += pick(sorted(by_kind), moves - 1 - len(moving))
        folders = sorted({os.path.dirname(p) for p in self.files() if not p.startswith(md)})
        for path in doomed:
            self.delete(path)
        for path in moving:
            self.move(path, rng.choice([f for f in folders if f != os.path.dirname(path)]))
        done = 0
        for path in pick(["txt", "noext", "unknown-extension", "html"], edits * 2):
            if done < edits and self.edit_text(path):
                done += 1
        for path in pick(["odt"], 2) + pick(["docx"], 2) + pick(["pptx", "epub", "ods", "xlsx"], 4):
            self.rewrite_office(path)
        any(self.rewrite_pack(path) for path in pick(["zip"], 4))
        any(self.rewrite_gz(path) for path in pick(["gz"], 4))
        self.add_files(new_files)

    def apply(self):
        for action in self.actions:
            action()


# --------------------------------------------------------------------------------------------
# The measure.
# --------------------------------------------------------------------------------------------


def unit_of_row(row):
    packed = row.get("packedFile")
    if packed and packed.endswith(".zip"):
        return packed, row.get("member")
    return by_type.listed_file(row), None


def search(vedra, word):
    rows, _ = by_type.search_rows(vedra, word)
    return rows


WRONG_CLASSES = ("stale word", "gone file", "moved file listed twice", "member of packed file", "PDF text",
                 "other")


def classify_wrong(row, unit, word, units, before, churn, listed_units):
    """(class, detail) of a listed pair that is not right."""
    path, member = unit
    gone = path not in {p for p, _ in units}
    fate = churn.old.get(path) if churn else None
    label = row.get("label", "")
    if member is not None or row.get("packedFile"):
        if gone:
            detail = "its packed file %s" % (fate[0] if fate else "is gone")
            if fate and fate[1] and (fate[1], member) in listed_units:
                detail += ", listed at its new path too"
        elif churn and member is not None and churn.old.get(path + SEP + member, ("",))[0] == "member removed":
            detail = "member removed from the .zip"
        elif churn and member is not None and unit in churn.edited:
            detail = "member of a .zip lost the word in an edit"
        elif churn and (path, None) in churn.edited:
            detail = "%s file lost the word when rewritten" % units[(path, None)]["kind"]
        else:
            detail = "word not in the member"
        return "member of packed file", detail
    if label.endswith(".pdf.txt"):
        return "PDF text", "the PDF %s" % (fate[0] if fate else ("is gone" if gone else "does not hold the word"))
    if gone:
        if fate and fate[0] in ("moved", "renamed folder"):
            twice = (fate[1], None) in listed_units
            return ("moved file listed twice" if twice else "gone file"), "%s%s" % (
                fate[0], "" if twice else ", new path not listed")
        return "gone file", fate[0] if fate else "not on disk"
    if before is not None and unit in before and word in before[unit]["judge"]:
        return "stale word", "lost in an edit" if churn and unit in churn.edited else "held before, not now"
    return "other", "never held the word per the reader"


def explain_miss(unit, word, units, before, churn, rules):
    path, member = unit
    if churn:
        if path in churn.new_files:
            return "new file"
        if any(fate[1] and (path == fate[1] or path.startswith(fate[1] + "/")) for fate in churn.old.values()):
            return "moved or renamed file, at its new path"
        if before is not None and (unit not in before or word not in before[unit]["words"]):
            return "word added by an edit"
    if member is not None:
        return "zip member"
    kind = units[unit]["kind"]
    return by_type.explain(word, {"path": path, "kind": "unknown-extension" if kind == "txt" else kind}, rules, True)


def measure(vedra, words, units, rules, before=None, churn=None):
    expected = collections.defaultdict(set)
    for unit, info in units.items():
        for word in info["words"] & words:
            expected[word].add(unit)
    figures = {"rows": 0, "listed": 0, "right": 0, "expected": 0, "found": 0, "expected_all": 0, "found_all": 0,
               "duplicates": 0}
    wrong, misses = [], []
    started = time.monotonic()
    for word in sorted(words):
        rows = search(vedra, word)
        figures["rows"] += len(rows)
        paths = collections.Counter(row.get("path") for row in rows)
        figures["duplicates"] += sum(count - 1 for count in paths.values())
        listed = {}
        for row in rows:
            listed.setdefault(unit_of_row(row), row)
        figures["listed"] += len(listed)
        for unit, row in sorted(listed.items(), key=lambda item: (item[0][0], item[0][1] or "")):
            if unit in units and word in units[unit]["judge"]:
                figures["right"] += 1
                continue
            kind, detail = classify_wrong(row, unit, word, units, before, churn, listed)
            wrong.append({"word": word, "path": row.get("path"), "class": kind, "detail": detail,
                          "stale": row.get("staleReason") if row.get("stale") else ""})
        for unit in sorted(expected[word], key=lambda u: (u[0], u[1] or "")):
            held = word in units[unit]["held"]
            figures["expected_all"] += 1
            figures["expected"] += held
            if unit in listed:
                figures["found_all"] += 1
                figures["found"] += held
            else:
                misses.append({"word": word, "path": unit[0] + (SEP + unit[1] if unit[1] else ""), "held": held,
                               "cause": explain_miss(unit, word, units, before, churn, rules)})
    figures["seconds"] = round(time.monotonic() - started, 1)
    figures["precision"] = 100.0 * figures["right"] / max(figures["listed"], 1)
    figures["recall"] = 100.0 * figures["found"] / max(figures["expected"], 1)
    figures["recall_all"] = 100.0 * figures["found_all"] / max(figures["expected_all"], 1)
    return {"figures": figures, "wrong": wrong, "misses": misses}


# --------------------------------------------------------------------------------------------
# The run.
# --------------------------------------------------------------------------------------------


def index(vedra, tree, *options):
    started = time.monotonic()
    done = vedra.run("index", tree, "--unpack", *options)
    seconds = time.monotonic() - started
    output = done.stdout.decode("utf-8", errors="replace")
    if done.returncode != 0:
        sys.exit("churn: vedra index %s failed (%d):\n%s%s" % (" ".join(options), done.returncode, output,
                                                               done.stderr.decode(errors="replace")))
    summary = {line.split(": ", 1)[0]: line.split(": ", 1)[1] for line in output.splitlines() if ": " in line}
    return {"seconds": round(seconds, 1), "summary": summary}


def new_archive(vedra):
    os.makedirs(vedra.working_folder)
    done = vedra.run("create", ARCHIVE_NAME, "--more-types")
    if done.returncode != 0:
        sys.exit("churn: vedra create failed:\n" + done.stderr.decode(errors="replace"))
    if vedra.info().get("Archive number") != "1":
        sys.exit("churn: the new archive is not the first of its own catalogue")


def summarize(kind_counts):
    return ", ".join("%s %d" % item for item in sorted(kind_counts.items(), key=lambda item: (-item[1], item[0])))


def report_phase(add, name, result):
    f = result["figures"]
    add("| %s | %d | %d | %d | %d | **%.3f %%** | %d | %d | **%.3f %%** | %.3f %% (%d of %d) | %s | %s |"
        % (name, f["rows"], f["listed"], f["right"], f["listed"] - f["right"], f["precision"], f["expected"],
           f["found"], f["recall"], f["recall_all"], f["found_all"], f["expected_all"],
           "pass" if f["precision"] >= PRECISION_TARGET else "FAIL", "pass" if f["recall"] >= RECALL_TARGET else "FAIL"))


def main():
    parser = argparse.ArgumentParser(description="Precision and recall of the index before and after churn.")
    parser.add_argument("--vedra", required=True)
    parser.add_argument("--report", required=True, help="the Markdown report; its .json beside it")
    parser.add_argument("--work", help="a new or empty folder for the tree and the working folders")
    parser.add_argument("--per-type", type=int, default=25, help="files of each of by_type's types")
    parser.add_argument("--words", type=int, default=250, help="words drawn at random from the corpus")
    parser.add_argument("--seed", type=int, default=2026)
    options = parser.parse_args()

    missing = [tool for tool in ("pandoc", "groff", "pdftotext", "7z") if not shutil.which(tool)]
    try:
        import odf  # noqa: F401
        import openpyxl  # noqa: F401
    except ImportError:
        missing.append("python3-odf/python3-openpyxl (run with /usr/bin/python3)")
    if missing:
        sys.exit("churn: missing %s; apt-get install %s" % (", ".join(missing), " ".join(PACKAGES)))
    work = os.path.abspath(options.work) if options.work else tempfile.mkdtemp(prefix="vedra-churn-")
    if os.path.exists(work) and os.listdir(work):
        sys.exit("churn: %s is not empty; give a new folder with --work" % work)
    os.makedirs(work, exist_ok=True)
    tree = os.path.join(work, "documents")
    rng = random.Random(options.seed)
    started = time.monotonic()
    sources = Sources(random.Random(options.seed + 1))
    counts = make_tree(tree, options.per_type, options.seed, sources)
    print("churn: made %s in %.0f s: %s" % (tree, time.monotonic() - started, counts), file=sys.stderr)

    # Two working folders with the same first run: one goes on with normal runs, the other
    # indexes the churned tree with --update.
    # The catalogue lives beside a working folder named vedraprog: one folder above each.
    vedra = Vedra(os.path.abspath(options.vedra), os.path.join(work, "normal", "vedraprog"))
    updating = Vedra(os.path.abspath(options.vedra), os.path.join(work, "update", "vedraprog"))
    runs = {}
    for program, name in ((vedra, "a"), (updating, "a (second folder)")):
        new_archive(program)
        runs[name] = index(program, tree)
    info = vedra.info()
    number = int(info["Archive number"])
    min_length, cut_length = catalogue_limits(info["Root folder"], number)
    rules = ArchiveRules.load(info["Archive folder"], number, os.path.join(vedra.working_folder, "Lemmi", "Radici"),
                              min_length, cut_length)

    units_a = read_units(tree, rules)
    corpus = sorted({w for unit in units_a.values() for w in unit["words"] if eligible(w, rules)})
    drawn = set(rng.sample(corpus, min(options.words, len(corpus))))
    staging = os.path.join(work, "staging")
    os.makedirs(staging)
    churn = Churn(tree, staging, units_a, rules, rng, sources)
    churn.plan(edits=30, deletions=15, moves=10, new_files=20)
    words = drawn | {w for w in churn.probe_words if eligible(w, rules)}
    print("churn: %d units read; measuring the first run with %d words" % (len(units_a), len(words)),
          file=sys.stderr)
    phase_a = measure(vedra, words, units_a, rules)
    churn.apply()
    runs["b"] = index(vedra, tree)
    runs["b --update"] = index(updating, tree, "--update")
    units_b = read_units(tree, rules)
    only_old = sorted(w for removed, _ in churn.edited.values() for w in removed
                      if not any(w in unit["words"] for unit in units_b.values()))
    print("churn: measuring after the churn", file=sys.stderr)
    phase_b = measure(vedra, words, units_b, rules, units_a, churn)
    phase_u = measure(updating, words, units_b, rules, units_a, churn)

    out = []
    add = out.append
    add("# Precision and recall after churn (%s)" % datetime.date.today().isoformat())
    add("")
    add("- Binary `%s` on %s; archives created with `--more-types`, `vedra index --unpack`; tree `%s`"
        % (options.vedra, socket.gethostname(), tree))
    add("- Tree (seed %d): %s; %d units (files, and members of the .zip files) read in phase a, %d after"
        % (options.seed, summarize(counts), len(units_a), len(units_b)))
    add("- Churn: %s; %d words taken away by edits are held by no file afterwards"
        % (summarize(churn.operations), len(only_old)))
    add("- Words searched: %d (%d drawn at random among the %d the rules register whole, the rest the words "
        "edits took away or added and words of the files deleted, moved, renamed)"
        % (len(words), len(drawn), len(corpus)))
    add("- Runs: " + "; ".join("%s %.1f s (%s)" % (name, run["seconds"], ", ".join(
        "%s %s" % (key, run["summary"].get(key, "?")) for key in ("Files indexed", "Files updated with text indexed",
                                                                     "Files not read", "Total files")))
        for name, run in runs.items()))
    add("")
    add("| phase | rows | listed (unit, word) | right | wrong | precision | expected | found | recall "
        "| recall of every pair of the reader | precision >= %.1f %% | recall >= %.1f %% |"
        % (PRECISION_TARGET, RECALL_TARGET))
    add("|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---|---|")
    report_phase(add, "a: first run", phase_a)
    report_phase(add, "b: after the churn, normal run", phase_b)
    report_phase(add, "b: after the churn, `--update` run", phase_u)
    add("")
    add("Expected pairs: the (unit, word) pairs of the reader that the word rules can hold (the indexer's "
        "documented reading of the same bytes gives the word too); the next column counts every pair of the "
        "reader, also words written with a capital accented letter (the fold table leaves it, so the word "
        "is held in parts) or split by inline markup.")
    add("")
    for title, result in (("a: first run", phase_a), ("b: normal run", phase_b), ("b: --update run", phase_u)):
        add("## %s" % title)
        add("")
        if result["figures"]["duplicates"]:
            add("Rows listing the same path twice for one word: %d" % result["figures"]["duplicates"])
            add("")
        classes = collections.Counter((w["class"], w["detail"]) for w in result["wrong"])
        if classes:
            add("| wrong rows: class | detail | rows | of them flagged stale |")
            add("|---|---|---:|---:|")
            for (kind, detail), count in sorted(classes.items(), key=lambda item: (WRONG_CLASSES.index(item[0][0]),
                                                                                  -item[1])):
                add("| %s | %s | %d | %d |" % (kind, detail, count, sum(
                    1 for w in result["wrong"] if w["class"] == kind and w["detail"] == detail and w["stale"])))
            add("")
        else:
            add("No wrong rows.")
            add("")
        for held, title in ((True, "Misses"), (False, "Misses among the pairs the word rules cannot hold")):
            causes = collections.Counter(m["cause"] for m in result["misses"] if m["held"] == held)
            add("%s: %s" % (title, ", ".join("%s %d" % item for item in causes.most_common()) or "none"))
            add("")
        shown = collections.Counter()
        for w in result["wrong"]:
            shown[(w["class"], w["detail"])] += 1
            if shown[(w["class"], w["detail"])] <= 3:
                add("- wrong: `%s` in `%s`: %s, %s%s" % (w["word"], w["path"], w["class"], w["detail"],
                                                         " (stale: %s)" % w["stale"] if w["stale"] else ""))
        for m in [m for m in result["misses"] if m["held"]][:25]:
            add("- miss: `%s` in `%s`: %s" % (m["word"], m["path"], m["cause"]))
        add("")
    with open(options.report, "w", encoding="utf-8") as handle:
        handle.write("\n".join(out) + "\n")
    with open(os.path.splitext(options.report)[0] + ".json", "w", encoding="utf-8") as handle:
        json.dump({"runs": runs, "operations": churn.operations, "words": sorted(words), "only_old": only_old,
                   "phases": {"a": phase_a, "b": phase_b, "b --update": phase_u}}, handle, indent=1)
    for name, result in (("a", phase_a), ("b", phase_b), ("b --update", phase_u)):
        f = result["figures"]
        print("churn: phase %s: precision %.3f %% (%d of %d), recall %.3f %% (%d of %d)"
              % (name, f["precision"], f["right"], f["listed"], f["recall"], f["found"], f["expected"]),
              file=sys.stderr)
    print("churn: report %s" % options.report, file=sys.stderr)
    passed = all(r["figures"]["precision"] >= PRECISION_TARGET and r["figures"]["recall"] >= RECALL_TARGET
                 for r in (phase_a, phase_b, phase_u))
    return 0 if passed else 1


if __name__ == "__main__":
    sys.exit(main())
