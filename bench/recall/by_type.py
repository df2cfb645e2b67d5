#!/usr/bin/python3
# Recall of the index per document type, on documents made from this machine's text.
#
# What it measures: for every document of a tree of real formats, the (file, word)
# pairs that an independent reader finds in its text, and the share of them that
# `vedra search WORD` lists under that file. The reader is this script's own: zip
# members parsed as XML (OpenDocument, Office Open XML, e-books), pdftotext for
# PDFs, gzip, HTML parsed with its scripts and styles left out, plain text decoded.
# A word is a run of letters or of digits, accents folded, lower case; the words
# the archive leaves out by its documented rules (not longer than its minimum
# length, stop words) are not counted, and a word longer than the truncation length
# is searched as typed, cut as the query cuts it. Missing roots are NOT left out:
# a word whose first three letters are not among the archive's roots is a miss
# with the cause "root missing". Every miss is given a cause; what no rule explains
# is "other", with its file. A second recall leaves out the words of which the word
# rules register no part at all ("v8": a short v and the byte after it; "más": m and s,
# the á being no letter of the fold table), as they leave out words too short alone.
#
# The tree (--make DIR, or a fresh one in the work folder) is made from the
# machine's documentation, English, Italian and Spanish manual pages and licences:
# pandoc writes .odt .docx .epub .pptx, odfpy .ott .ods .odp .odg, openpyxl .xlsx,
# groff PDFs; .gz, HTML, Markdown, files without an extension and with an unknown
# one are copied as they are; the package examples (writer2latex's .odt) join them.
# It also reports the share of the corpus's distinct 4-12 letter words the roots
# drop. The archive is created with --more-types unless --default-types is given.
#
#   /usr/bin/python3 bench/recall/by_type.py --vedra build/src/cli/vedra --report types.md
#
# Needs (Debian): pandoc python3-odf python3-openpyxl groff poppler-utils writer2latex.
import argparse
import datetime
import gzip
import html.parser
import io
import json
import os
import random
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ET
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from recall import (ArchiveRules, Vedra, bytes_view_words, catalogue_limits, decode_text,  # noqa: E402
                    display_path, fold_and_lower, pdf_text, tokens_of)

ARCHIVE_NAME = "types"
PACKAGES = ["pandoc", "python3-odf", "python3-openpyxl", "groff", "poppler-utils", "writer2latex"]
UNPACK_MARKER = "_vedratemp/"

# --------------------------------------------------------------------------------------------
# Sources: real text of the machine.
# --------------------------------------------------------------------------------------------


def read_maybe_gz(path):
    with open(path, "rb") as handle:
        data = handle.read()
    return gzip.decompress(data) if path.endswith(".gz") else data


def man_text(path):
    """A manual page as text (groff's plain UTF-8 output, overstrikes removed)."""
    try:
        source = read_maybe_gz(path)
        done = subprocess.run(["groff", "-man", "-Tutf8", "-P-cbou", "-Kutf8"], input=source,
                              capture_output=True, timeout=60)
    except (OSError, subprocess.TimeoutExpired, EOFError, gzip.BadGzipFile):
        return None
    text = done.stdout.decode("utf-8", errors="replace")
    return text if done.returncode == 0 and len(text) > 400 else None


def sources(rng):
    """Real texts by language: (name, text) lists, in a fixed order before sampling."""
    def files(pattern_root, suffixes, limit_bytes=80000):
        found = []
        for folder, _, names in os.walk(pattern_root):
            for name in names:
                path = os.path.join(folder, name)
                if name.endswith(suffixes) and not os.path.islink(path) and os.path.getsize(path) < limit_bytes:
                    found.append(path)
        return sorted(found)

    markdown = files("/usr/share/doc", (".md", ".md.gz"))
    # Pages of software installed outside Debian's packages (a cloud SDK writes thousands
    # of near-identical ones) would crowd out the rest.
    manuals = {lang: [path for path in files("/usr/share/man/%s" % lang if lang else "/usr/share/man/man1", (".1.gz",))
                      if not os.path.basename(path).startswith("gcloud")]
               for lang in ("", "it", "es")}
    return markdown, manuals


# --------------------------------------------------------------------------------------------
# Making the tree.
# --------------------------------------------------------------------------------------------


def paragraphs_of(text, limit=400):
    lines = [re.sub(r"\s+", " ", line).strip() for line in re.split(r"\n\s*\n", text)]
    return [line for line in lines if line][:limit]


def write_odf(path, kind, paragraphs):
    from odf.opendocument import OpenDocumentDrawing, OpenDocumentPresentation, OpenDocumentSpreadsheet, \
        OpenDocumentText
    from odf.draw import Frame, Page, TextBox
    from odf.style import MasterPage, PageLayout
    from odf.table import Table, TableCell, TableRow
    from odf.text import P
    if kind in ("odt", "ott"):
        document = OpenDocumentText()
        for paragraph in paragraphs:
            document.text.addElement(P(text=paragraph))
        if kind == "ott":
            document.mimetype = "application/vnd.oasis.opendocument.text-template"
    elif kind == "ods":
        document = OpenDocumentSpreadsheet()
        table = Table(name="Sheet1")
        for paragraph in paragraphs:
            row = TableRow()
            for cell_text in (paragraph[:200], paragraph[200:400]):
                cell = TableCell(valuetype="string")
                cell.addElement(P(text=cell_text))
                row.addElement(cell)
            table.addElement(row)
        document.spreadsheet.addElement(table)
    else:
        document = OpenDocumentPresentation() if kind == "odp" else OpenDocumentDrawing()
        layout = PageLayout(name="Layout")
        document.automaticstyles.addElement(layout)
        master = MasterPage(name="Master", pagelayoutname=layout)
        document.masterstyles.addElement(master)
        container = document.presentation if kind == "odp" else document.drawing
        for start in range(0, len(paragraphs), 6):
            page = Page(masterpagename=master)
            frame = Frame(width="20cm", height="15cm", x="1cm", y="1cm")
            box = TextBox()
            for paragraph in paragraphs[start:start + 6]:
                box.addElement(P(text=paragraph))
            frame.addElement(box)
            page.addElement(frame)
            container.addElement(page)
    document.save(path)


def write_xlsx(path, paragraphs):
    import openpyxl
    book = openpyxl.Workbook()
    sheet = book.active
    for row, paragraph in enumerate(paragraphs, start=1):
        sheet.cell(row=row, column=1, value=paragraph[:300])
        sheet.cell(row=row, column=2, value=row * 7)
    book.save(path)


def pandoc(source_text, source_format, path):
    try:
        done = subprocess.run(["pandoc", "-f", source_format, "-o", path, "--metadata", "title=Document"],
                              input=source_text.encode("utf-8"), capture_output=True, timeout=120)
    except (OSError, subprocess.TimeoutExpired):
        return False
    return done.returncode == 0 and os.path.exists(path)


def groff_pdf(manual, path):
    try:
        source = read_maybe_gz(manual)
        done = subprocess.run(["groff", "-man", "-Tpdf", "-Kutf8"], input=source, capture_output=True, timeout=120)
    except (OSError, subprocess.TimeoutExpired, EOFError, gzip.BadGzipFile):
        return False
    if done.returncode != 0 or not done.stdout.startswith(b"%PDF"):
        return False
    with open(path, "wb") as handle:
        handle.write(done.stdout)
    return True


def make_tree(out, per_type, seed):
    """Writes the tree; returns {type: count}."""
    rng = random.Random(seed)
    markdown, manuals = sources(rng)
    texts = []  # (language, name, text) of real documents to write in the office formats
    for path in rng.sample(markdown, min(len(markdown), per_type * 2)):
        try:
            texts.append(("en", os.path.basename(path).split(".")[0], "md", read_maybe_gz(path).decode("utf-8")))
        except (UnicodeDecodeError, OSError, EOFError, gzip.BadGzipFile):
            continue
    for lang in ("it", "es", ""):
        pool = manuals[lang]
        for path in rng.sample(pool, min(len(pool), per_type)):
            text = man_text(path)
            if text:
                texts.append((lang or "en", os.path.basename(path).split(".")[0], "plain", text))
    rng.shuffle(texts)
    counts = {}

    def target(kind, stem, index):
        folder = os.path.join(out, kind)
        os.makedirs(folder, exist_ok=True)
        return os.path.join(folder, "%s-%02d.%s" % (re.sub(r"[^A-Za-z0-9_-]", "_", stem), index, kind))

    def made(kind):
        counts[kind] = counts.get(kind, 0) + 1

    cycle = iter(texts * 20)
    for kind in ("odt", "docx", "epub", "pptx", "ott", "ods", "odp", "odg", "xlsx"):
        tries = 0
        while counts.get(kind, 0) < per_type and tries < per_type * 3:
            tries += 1
            lang, stem, fmt, text = next(cycle)
            path = target(kind, "%s-%s" % (lang, stem), counts.get(kind, 0))
            paragraphs = paragraphs_of(text)
            if kind in ("odt", "docx", "epub", "pptx"):
                source = text if fmt == "md" else "\n\n".join(paragraphs)
                ok = pandoc(source, "markdown" if fmt == "md" else "markdown-smart", path)
            elif kind == "xlsx":
                write_xlsx(path, paragraphs)
                ok = True
            else:
                write_odf(path, kind, paragraphs)
                ok = True
            if ok:
                made(kind)
    for example in ("/usr/share/doc/writer2latex/examples/latex/sample-article.odt",
                    "/usr/share/doc/writer2latex/examples/xhtml/sample-xhtml.odt"):
        if os.path.exists(example):
            shutil.copy(example, target("odt", "example-" + os.path.basename(example)[:-4], 99 - counts.get("odt", 0)))
            made("odt")
    # PDFs: manual pages in three languages through groff, and the PDFs of the documentation.
    pdf_sources = []
    for lang in ("", "it", "es"):
        pdf_sources += [(lang or "en", path) for path in rng.sample(manuals[lang], min(len(manuals[lang]), per_type))]
    pdf_sources = [pdf_sources[i] for i in sorted(range(len(pdf_sources)), key=lambda i: (i % per_type, i))]
    for lang, manual in pdf_sources:
        if counts.get("pdf", 0) >= per_type:
            break
        if groff_pdf(manual, target("pdf", "%s-%s" % (lang, os.path.basename(manual).split(".")[0]),
                                    counts.get("pdf", 0))):
            made("pdf")
    for folder, _, names in os.walk("/usr/share/doc"):
        for name in sorted(names):
            if name.endswith(".pdf") and os.path.getsize(os.path.join(folder, name)) < 4 << 20:
                shutil.copy(os.path.join(folder, name), target("pdf", name[:-4], counts.get("pdf", 0)))
                made("pdf")
    # Copied as they are.
    def copy_some(kind, paths, name_of):
        for path in rng.sample(sorted(paths), min(len(paths), per_type)):
            folder = os.path.join(out, kind, "%02d" % counts.get(kind, 0))
            os.makedirs(folder, exist_ok=True)
            shutil.copy(path, os.path.join(folder, name_of(path)))
            made(kind)

    doc_files = []
    for folder, _, names in os.walk("/usr/share/doc"):
        doc_files += [os.path.join(folder, name) for name in names if not os.path.islink(os.path.join(folder, name))]
    doc_files.sort()
    copy_some("gz", [p for p in doc_files if p.endswith(".gz") and os.path.getsize(p) < 200000],
              os.path.basename)
    copy_some("html", [p for p in doc_files if p.endswith(".html") and os.path.getsize(p) < 300000],
              os.path.basename)
    copy_some("md", [p for p in doc_files if p.endswith(".md")], os.path.basename)
    copy_some("noext", [p for p in doc_files if os.path.basename(p) == "copyright"], os.path.basename)
    licences = [os.path.join("/usr/share/common-licenses", n) for n in os.listdir("/usr/share/common-licenses")]
    copy_some("unknown-extension", [p for p in licences if re.search(r"-\d", os.path.basename(p))],
              os.path.basename)
    return counts


# --------------------------------------------------------------------------------------------
# The independent reading.
# --------------------------------------------------------------------------------------------

def local(tag):
    return tag.rsplit("}", 1)[-1]


# Elements that stand between words although they hold no text: tabs, line breaks,
# OpenDocument's run of spaces.
XML_BREAKS = {"tab", "br", "cr", "s", "line-break", "soft-page-break"}


def joined_text(element, text_names=None):
    """The text of an element as a reader sees it: inline elements join, breaks separate.
    With text_names, only the text of those elements counts (w:t, a:t)."""
    parts = []

    def visit(node, inside):
        name = local(node.tag)
        inside = inside or text_names is None or name in text_names
        if name in XML_BREAKS:
            parts.append(" ")
        if inside and node.text:
            parts.append(node.text)
        for child in node:
            visit(child, inside and text_names is None)
            if child.tail and text_names is None:
                parts.append(child.tail)

    visit(element, False)
    return "".join(parts)


def xml_paragraphs(data, paragraph_names, text_names=None):
    """Texts of the paragraph elements of an XML member: the text nodes inside one paragraph
    join as they are (a word may span inline elements), paragraphs are separated."""
    try:
        root = ET.fromstring(data)
    except ET.ParseError:
        return []
    out = []
    for element in root.iter():
        if local(element.tag) in paragraph_names:
            out.append(joined_text(element, text_names))
    return out


class HtmlText(html.parser.HTMLParser):
    BLOCKS = {"p", "div", "br", "li", "td", "th", "tr", "h1", "h2", "h3", "h4", "h5", "h6", "pre", "title",
              "section", "blockquote", "dd", "dt", "table", "ul", "ol", "body", "head", "hr", "nav"}

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.parts = []
        self.hidden = 0

    def handle_starttag(self, tag, attrs):
        if tag in ("script", "style"):
            self.hidden += 1
        if tag in self.BLOCKS:
            self.parts.append("\n")

    def handle_endtag(self, tag):
        if tag in ("script", "style") and self.hidden:
            self.hidden -= 1
        if tag in self.BLOCKS:
            self.parts.append("\n")

    def handle_data(self, data):
        if not self.hidden:
            self.parts.append(data)


def html_text(data):
    parser = HtmlText()
    try:
        parser.feed(data.decode("utf-8", errors="replace"))
        parser.close()
    except Exception:  # a page the parser cannot follow keeps what it read so far
        pass
    return "".join(parser.parts)


def zip_members(path):
    try:
        with zipfile.ZipFile(path) as archive:
            return {info.filename: archive.read(info) for info in archive.infolist() if not info.is_dir()}
    except (zipfile.BadZipFile, OSError, KeyError):
        return None


OPEN_DOCUMENT = {".odt", ".ott", ".ods", ".odp", ".odg"}


def read_office(path, suffix):
    members = zip_members(path)
    if members is None:
        return None
    parts = []
    if suffix in OPEN_DOCUMENT:
        parts += xml_paragraphs(members.get("content.xml", b""), {"p", "h"})
    elif suffix == ".docx":
        parts += xml_paragraphs(members.get("word/document.xml", b""), {"p"}, {"t"})
    elif suffix == ".xlsx":
        parts += xml_paragraphs(members.get("xl/sharedStrings.xml", b""), {"si"}, {"t"})
        for name, data in sorted(members.items()):
            if name.startswith("xl/worksheets/") and name.endswith(".xml"):
                parts += xml_paragraphs(data, {"is"}, {"t"})
                # Numbers are written as values; shared strings ("s") are indexes, not text.
                try:
                    root = ET.fromstring(data)
                except ET.ParseError:
                    continue
                for cell in root.iter():
                    if local(cell.tag) == "c" and cell.get("t") in (None, "n"):
                        for value in cell:
                            if local(value.tag) == "v" and value.text:
                                parts.append(value.text)
    elif suffix == ".pptx":
        for name, data in sorted(members.items()):
            if re.fullmatch(r"ppt/slides/slide\d+\.xml", name):
                parts += xml_paragraphs(data, {"p"}, {"t"})
    elif suffix == ".epub":
        for name, data in sorted(members.items()):
            if name.endswith((".xhtml", ".html", ".htm")):
                parts.append(html_text(data))
    return "\n".join(parts)


def suffix_of(name):
    base = os.path.basename(name)
    dot = base.rfind(".")
    return base[dot:].lower() if dot > 0 else ""


def read_file(path):
    """(kind, text): the file's text as its reader sees it, or None."""
    suffix = suffix_of(path)
    if suffix in OPEN_DOCUMENT | {".docx", ".xlsx", ".pptx", ".epub"}:
        return suffix[1:], read_office(path, suffix)
    if suffix == ".pdf":
        return "pdf", pdf_text(path)
    with open(path, "rb") as handle:
        data = handle.read()
    if suffix == ".gz":
        try:
            inner = gzip.decompress(data)
        except (OSError, EOFError):
            return "gz", None
        inner_suffix = suffix_of(path[:-3])
        return "gz", html_text(inner) if inner_suffix in (".html", ".htm") else decode_text(inner)
    if suffix in (".html", ".htm", ".xhtml"):
        return "html", html_text(data)
    kind = "md" if suffix == ".md" else ("noext" if not suffix else "unknown-extension")
    return kind, decode_text(data)


# --------------------------------------------------------------------------------------------
# The measure.
# --------------------------------------------------------------------------------------------

# A word as a reader sees it: letters and digits together ("amd64", "0x409"); the query
# cuts it as the indexer cut the text.
SURFACE = re.compile(r"[^\W_]+")


def counted_words(text, rules, outside):
    """The words of a text as a reader would type them (lower case, accents kept) that the
    archive is meant to hold: not too short and not stop words once folded. Words that
    Windows-1252 cannot write (other scripts) are counted in `outside` instead."""
    words = set()
    for surface in SURFACE.findall(text):
        word = surface.lower()
        try:
            word.encode("cp1252")
        except UnicodeEncodeError:
            outside.add(word)
            continue
        folded = fold_and_lower(word)
        if any(c.isdigit() for c in folded) or (len(folded) > rules.min_length and folded not in rules.stop_words):
            words.add(word)
    return words


def listed_file(row):
    """The file on disk a search row stands for: a packed member's row names its packed file."""
    if row.get("packedFile"):
        return row["packedFile"]
    path = row.get("path", "")
    if " \u00bb " in path:
        return path.split(" \u00bb ", 1)[0]
    marker = path.find(UNPACK_MARKER)
    if marker > 0:
        return path[:marker]
    if path.endswith(".pdf.txt"):
        return path[:-4]
    return path


def search_rows(vedra, word):
    done = vedra.run("search", word, "--json", timeout=600)
    try:
        return json.loads(done.stdout.decode("utf-8", errors="replace") or "[]"), done.stderr.decode(errors="replace")
    except json.JSONDecodeError:
        return [], "unreadable output: " + done.stdout[:200].decode(errors="replace")


class Causes:
    ROOT = "root missing"
    NOT_READ = "file not read (no word of it found)"
    SPLIT = "word split by markup between its letters"
    SHORT = "byte after a short word skipped"
    NO_PART = "the indexer registers no part of it (short parts, the byte after one: v8, md5, más)"
    ACCENT = "written with a letter outside the indexer's fold table (É, á, ...)"
    OTHER = "other"


def member_bytes(path, kind):
    """The bytes the indexer reads of a document, for telling a miss's cause."""
    if kind in ("odt", "ott", "ods", "odp", "odg", "docx", "xlsx", "pptx", "epub"):
        members = zip_members(path) or {}
        return b" ".join(data for name, data in members.items() if name.endswith((".xml", ".xhtml", ".html")))
    if kind == "pdf":
        return (pdf_text(path) or "").encode("utf-8")
    with open(path, "rb") as handle:
        data = handle.read()
    return gzip.decompress(data) if kind == "gz" else data


def indexer_words(word, rules):
    """The tokens the indexer makes of a word as typed (accents outside its table split it)."""
    return bytes_view_words(word.encode("utf-8"), False, rules)


def explain(word, document, rules, found_any):
    if any(not token.isdigit() and len(token) > rules.min_length and token[:3] not in rules.roots
           for token in indexer_words(word, rules)):
        return Causes.ROOT
    if not found_any:
        return Causes.NOT_READ
    data = member_bytes(document["path"], document["kind"])
    kind = document["kind"]
    markup = kind not in ("pdf", "gz", "md", "noext", "unknown-extension") or (
        kind == "gz" and document["path"].endswith((".html.gz", ".htm.gz")))
    wanted = {t for t in indexer_words(word, rules) if t.isdigit() or len(t) > rules.min_length}
    if not wanted:
        return Causes.NO_PART
    seen = bytes_view_words(data, markup, rules)
    if not wanted <= seen:
        if wanted <= bytes_view_words(data, markup, rules, skip_after_short=False):
            return Causes.SHORT
        if {fold_and_lower(word)} <= bytes_view_words(data, markup, rules, fold_all=True, decode_entities=markup):
            return Causes.ACCENT
        return Causes.SPLIT if markup else Causes.OTHER
    return Causes.OTHER


def main():
    parser = argparse.ArgumentParser(description="Recall of the index per document type.")
    parser.add_argument("--vedra", required=True)
    parser.add_argument("--report", required=True)
    parser.add_argument("--make", help="make the tree in this new folder (default: in the work folder)")
    parser.add_argument("--tree", help="measure this tree, made earlier with --make")
    parser.add_argument("--work", help="the working folder's parent (new or empty)")
    parser.add_argument("--per-type", type=int, default=25)
    parser.add_argument("--words-per-file", type=int, default=60)
    parser.add_argument("--default-types", action="store_true", help="create the archive without --more-types")
    parser.add_argument("--seed", type=int, default=2026)
    options = parser.parse_args()

    missing = [tool for tool in ("pandoc", "groff", "pdftotext") if not shutil.which(tool)]
    try:
        import odf  # noqa: F401
        import openpyxl  # noqa: F401
    except ImportError:
        missing.append("python3-odf/python3-openpyxl (run with /usr/bin/python3)")
    if missing and not options.tree:
        sys.exit("types: missing %s; apt-get install %s" % (", ".join(missing), " ".join(PACKAGES)))

    work = os.path.abspath(options.work) if options.work else tempfile.mkdtemp(prefix="vedra-types-")
    if os.path.exists(work) and os.listdir(work):
        sys.exit("types: %s is not empty; give a new folder with --work" % work)
    os.makedirs(work, exist_ok=True)
    tree = os.path.abspath(options.tree or options.make or os.path.join(work, "documents"))
    started = time.monotonic()
    if not options.tree:
        if os.path.exists(tree) and os.listdir(tree):
            sys.exit("types: %s is not empty" % tree)
        counts = make_tree(tree, options.per_type, options.seed)
        print("types: made %s in %.0f s: %s" % (tree, time.monotonic() - started, counts), file=sys.stderr)

    vedra = Vedra(os.path.abspath(options.vedra), os.path.join(work, "vedraprog"))
    os.makedirs(vedra.working_folder)
    create = ["create", ARCHIVE_NAME] + ([] if options.default_types else ["--more-types"])
    done = vedra.run(*create)
    if done.returncode != 0:
        sys.exit("types: vedra %s failed:\n%s" % (" ".join(create), done.stderr.decode(errors="replace")))
    info = vedra.info()
    number = int(info["Archive number"])
    started = time.monotonic()
    indexed = vedra.run("index", tree, "--unpack")
    index_seconds = time.monotonic() - started
    if indexed.returncode != 0:
        sys.exit("types: vedra index failed:\n" + indexed.stderr.decode(errors="replace"))
    min_length, cut_length = catalogue_limits(info["Root folder"], number)
    rules = ArchiveRules.load(info["Archive folder"], number, os.path.join(vedra.working_folder, "Lemmi", "Radici"),
                              min_length, cut_length)

    rng = random.Random(options.seed)
    documents = []
    outside = set()
    for folder, _, names in sorted(os.walk(tree)):
        for name in sorted(names):
            path = os.path.join(folder, name)
            kind, text = read_file(path)
            if kind == "odt" and "example-" in name:
                kind = "odt (package example)"
            words = sorted(counted_words(text or "", rules, outside))
            sample = rng.sample(words, min(len(words), options.words_per_file))
            documents.append({"path": path, "kind": kind.split(" ")[0], "type": kind, "words": sample,
                              "all_words": len(words)})
    by_path = {display_path(d["path"]): d for d in documents}

    # Vocabulary the roots drop: distinct 4-12 letter words of the whole corpus.
    vocabulary = set()
    for document in documents:
        kind, text = read_file(document["path"])
        vocabulary |= {w for w in tokens_of(text or "") if w.isalpha() and 4 <= len(w) <= 12}
    dropped = sorted(w for w in vocabulary if w[:3] not in rules.roots)

    wanted = {}
    for document in documents:
        for word in document["words"]:
            wanted.setdefault(word, []).append(document)
    print("types: searching %d words for %d pairs" % (len(wanted), sum(len(v) for v in wanted.values())),
          file=sys.stderr)
    found = {d["path"]: set() for d in documents}
    started = time.monotonic()
    for word in sorted(wanted):
        rows, _ = search_rows(vedra, word)
        listed = {listed_file(row) for row in rows}
        for document in wanted[word]:
            if display_path(document["path"]) in listed:
                found[document["path"]].add(word)
    search_seconds = time.monotonic() - started

    per_type = {}
    misses = []
    for document in documents:
        figures = per_type.setdefault(document["type"], {"files": 0, "pairs": 0, "found": 0, "causes": {}})
        figures["files"] += 1
        got = found[document["path"]]
        figures["pairs"] += len(document["words"])
        figures["found"] += len(got)
        for word in sorted(set(document["words"]) - got):
            cause = explain(word, document, rules, bool(got))
            figures["causes"][cause] = figures["causes"].get(cause, 0) + 1
            misses.append({"type": document["type"], "word": word, "path": document["path"], "cause": cause})

    pairs = sum(f["pairs"] for f in per_type.values())
    hits = sum(f["found"] for f in per_type.values())
    no_part = sum(f["causes"].get(Causes.NO_PART, 0) for f in per_type.values())
    out = []
    add = out.append
    add("# Recall per document type (%s)" % datetime.date.today().isoformat())
    add("")
    add("- Binary `%s`; archive created with `%s` on %s; tree `%s`" % (options.vedra, " ".join(create),
                                                                       socket.gethostname(), tree))
    add("- Word rules: minimum length %d, truncation %d, %d stop words, %d roots; `vedra index` %.1f s; "
        "%d searches %.1f s" % (min_length, cut_length, len(rules.stop_words), len(rules.roots), index_seconds,
                                len(wanted), search_seconds))
    add("- Each word searched as a reader types it (lower case, accents kept): `vedra search WORD --json`")
    add("- Up to %d words a file, chosen at random (seed %d) among the words its reader finds"
        % (options.words_per_file, options.seed))
    add("")
    # Words of which the word rules register no part are searched and counted above; the
    # second recall leaves them out, as the rules leave out words too short on their own.
    add("| type | files | (file, word) pairs | found | recall | recall of words the rules can hold | misses by cause |")
    add("|---|---:|---:|---:|---:|---:|---|")
    for kind in sorted(per_type):
        f = per_type[kind]
        causes = ", ".join("%s %d" % (c, n) for c, n in sorted(f["causes"].items(), key=lambda i: -i[1]))
        holdable = f["pairs"] - f["causes"].get(Causes.NO_PART, 0)
        add("| %s | %d | %d | %d | %.2f %% | %.2f %% | %s |"
            % (kind, f["files"], f["pairs"], f["found"], 100.0 * f["found"] / max(f["pairs"], 1),
               100.0 * f["found"] / max(holdable, 1), causes or "-"))
    add("| **all** | %d | %d | %d | **%.2f %%** | **%.2f %%** | |"
        % (len(documents), pairs, hits, 100.0 * hits / max(pairs, 1), 100.0 * hits / max(pairs - no_part, 1)))
    add("")
    add("Roots: %d of the corpus's %d distinct 4-12 letter words (%.2f %%) have first three letters missing "
        "from the archive's roots%s" % (len(dropped), len(vocabulary), 100.0 * len(dropped) / max(len(vocabulary), 1),
                                        (": " + ", ".join(dropped[:60])) if dropped else "."))
    add("Words in other scripts than Windows-1252 can write, left out of the pairs: %d distinct%s"
        % (len(outside), (" (" + ", ".join(sorted(outside)[:12]) + ")") if outside else ""))
    add("")
    if misses:
        add("## Misses")
        add("")
        for miss in misses[:400]:
            add("- %s `%s` in `%s`: %s" % (miss["type"], miss["word"], miss["path"], miss["cause"]))
        if len(misses) > 400:
            add("- ... %d more in the .json" % (len(misses) - 400))
    with open(options.report, "w", encoding="utf-8") as handle:
        handle.write("\n".join(out) + "\n")
    with open(os.path.splitext(options.report)[0] + ".json", "w", encoding="utf-8") as handle:
        json.dump({"per_type": per_type, "misses": misses, "roots_dropped": dropped,
                   "vocabulary": len(vocabulary)}, handle, indent=1)
    print("types: %d of %d pairs found (%.2f %%; %.2f %% of the words the rules can hold); "
          "roots drop %.2f %% of %d words; report %s"
          % (hits, pairs, 100.0 * hits / max(pairs, 1), 100.0 * hits / max(pairs - no_part, 1),
             100.0 * len(dropped) / max(len(vocabulary), 1), len(vocabulary), options.report))
    return 0


if __name__ == "__main__":
    sys.exit(main())
