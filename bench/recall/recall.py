#!/usr/bin/env python3
# Recall of `vedra search` on this machine's documentation and headers.
#
# What it measures: for a list of words taken from the text itself, the share of
# the files holding each word that `vedra search WORD` lists. Which files hold a
# word is decided here, independently of the engine: every regular file of the
# trees is read (symbolic links are not followed), compressed files are unpacked,
# PDFs go through pdftotext, markup is removed from HTML/XML, UTF-8 and UTF-16
# text is decoded, and words are runs of letters or of digits, with accents
# folded and in lower case. Only words the archive would register are chosen
# (longer than its minimum length, not a stop word, first three letters among the
# word roots, no longer than the truncation length). Every file that holds a word
# but is not listed is classified by the first rule of the archive that keeps it
# out (excluded folder, compressed file, PDF, type whose text is not read, read
# limit of media types, CR LF gluing in HTML, byte skipped after a short word,
# encoding, chunking), and what no rule explains is listed as "other" with its path.
#
# Each run makes a fresh working folder (a path containing "vedraprog"), creates
# the first archive of its catalogue there and indexes the trees with default
# options, one after the other. Nothing outside the working folder is written but
# the report files named on the command line.
#
#   python3 bench/recall/recall.py --vedra BINARY --save-words words.txt --report before.md
#   python3 bench/recall/recall.py --vedra BINARY --words bench/recall/words.txt --compare before.json --report after.md
#
#   --vedra BINARY      the `vedra` program to measure
#   --report FILE       the Markdown report; FILE with .json instead of .md gets the raw figures
#   --save-words FILE   choose the words from the text and write them to FILE
#   --words FILE        take the words from FILE (one per line, '#' starts a comment)
#   --compare JSON      the .json of an earlier run: adds a before/after section
#   --work DIR          the working folder's parent (must be new or empty; default: a new
#                       folder under $TMPDIR); it is kept, so its archive can be searched again
#   --tree DIR          a tree to index and read (repeatable; default /usr/share/doc, /usr/include)
#   --seed N            seed of the word choice (default 2026)
#   --self-check        only check the tokeniser on known strings
import argparse
import bz2
import datetime
import gzip
import html
import io
import json
import lzma
import os
import random
import re
import shutil
import socket
import subprocess
import sys
import tarfile
import tempfile
import time
import unicodedata
import zipfile
from array import array

DEFAULT_TREES = ["/usr/share/doc", "/usr/include"]
ARCHIVE_NAME = "recall"
MEDIA_READ_LIMIT = 12800
MARKUP_CHUNK_LIMIT = 512000
CHUNK_END_MARGIN = 4096

# --------------------------------------------------------------------------------------------
# The independent reading of a file: what a user would call the words of its text.
# --------------------------------------------------------------------------------------------

COMPRESSED_SUFFIXES = (".gz", ".tgz", ".bz2", ".xz", ".lzma", ".zip", ".tar")
MARKUP_SUFFIXES = (".html", ".htm", ".xhtml", ".shtml", ".shtm", ".xml", ".svg", ".xsl", ".xslt", ".rss")
CONVERTED_MEMBERS = {".docx": "word/document.xml", ".odt": "content.xml"}
COMBINING_MARKS = re.compile("[\u0300-\u036f\u1ab0-\u1aff\u1dc0-\u1dff\u20d0-\u20ff\ufe20-\ufe2f]+")
TOKEN = re.compile(r"[a-z]+|[0-9]+")
MAX_UNPACKED_BYTES = 256 << 20


def fold_and_lower(text):
    """Accents folded (any letter with a diacritic becomes its base letter), lower case."""
    if not text.isascii():
        text = COMBINING_MARKS.sub("", unicodedata.normalize("NFKD", text))
    return text.lower()


def tokens_of(text):
    """Runs of letters a-z or of digits: 'abc123' is abc and 123; other characters separate."""
    return TOKEN.findall(fold_and_lower(text))


def decode_text(data):
    """Text of a byte string, or None when it looks binary (NUL bytes and no UTF-16 mark)."""
    if data.startswith((b"\xff\xfe", b"\xfe\xff")):
        return data.decode("utf-16", errors="replace")
    if data.startswith(b"\xef\xbb\xbf"):
        data = data[3:]
    if b"\x00" in data[:65536]:
        return None
    try:
        return data.decode("utf-8")
    except UnicodeDecodeError:
        return data.decode("cp1252", errors="replace")


MARKUP_COMMENT = re.compile(r"<!--.*?-->", re.S)
MARKUP_CDATA = re.compile(r"<!\[CDATA\[(.*?)\]\]>", re.S)
MARKUP_CODE = re.compile(r"<(script|style)\b.*?</\1\s*>", re.S | re.I)
MARKUP_TAG = re.compile(r"<[^>]*>")


def strip_markup(text, join_crlf=False):
    """The text a reader of an HTML/XML page sees: comments, scripts, styles and tags
    removed (a tag separates words), entities decoded. join_crlf first removes every
    CR LF pair, as an indexer that joins lines would."""
    if join_crlf:
        text = text.replace("\r\n", "")
    text = MARKUP_COMMENT.sub(" ", text)
    text = MARKUP_CDATA.sub(lambda m: " " + m.group(1) + " ", text)
    text = MARKUP_CODE.sub(" ", text)
    text = MARKUP_TAG.sub(" ", text)
    return html.unescape(text)


def suffix_of(name):
    dot = name.rfind(".")
    return name[dot:] if dot > 0 else ""


def looks_like_markup(name, data):
    if name.endswith(MARKUP_SUFFIXES):
        return True
    if suffix_of(name):
        return False
    head = data[:512].lstrip(b"\xef\xbb\xbf \t\r\n").lower()
    return head.startswith((b"<!doctype html", b"<html", b"<?xml"))


def unpack(name, data):
    """(inner name, inner bytes) pairs of a compressed file; [] when it cannot be unpacked."""
    try:
        if name.endswith(".tgz"):
            return unpack(name[:-4] + ".tar", gzip.decompress(data))
        for suffix, opener in ((".gz", gzip.decompress), (".bz2", bz2.decompress),
                               (".xz", lzma.decompress), (".lzma", lzma.decompress)):
            if name.endswith(suffix):
                inner = opener(data)
                inner_name = name[: -len(suffix)]
                if inner_name.endswith(".tar"):
                    return unpack(inner_name, inner)
                return [(inner_name, inner)]
        if name.endswith(".tar"):
            members = []
            with tarfile.open(fileobj=io.BytesIO(data)) as tar:
                for member in tar:
                    if member.isfile() and member.size < MAX_UNPACKED_BYTES:
                        members.append((member.name.lower(), tar.extractfile(member).read()))
            return members
        if name.endswith(".zip"):
            members = []
            with zipfile.ZipFile(io.BytesIO(data)) as archive:
                for info in archive.infolist():
                    if not info.is_dir() and info.file_size < MAX_UNPACKED_BYTES:
                        members.append((info.filename.lower(), archive.read(info)))
            return members
    except (OSError, EOFError, ValueError, lzma.LZMAError, tarfile.TarError, zipfile.BadZipFile):
        pass
    return []


def pdf_text(path):
    if not shutil.which("pdftotext"):
        return None
    try:
        done = subprocess.run(["pdftotext", "-q", "-enc", "UTF-8", path, "-"], stdin=subprocess.DEVNULL,
                              capture_output=True, timeout=300)
    except (OSError, subprocess.TimeoutExpired):
        return None
    return done.stdout.decode("utf-8", errors="replace")


def text_of_bytes(name, data):
    """The user's view of one document's bytes (name lower-cased): its text, or None."""
    text = decode_text(data)
    if text is not None and looks_like_markup(name, data):
        text = strip_markup(text)
    return text


def read_document(path, name, data):
    """(kind, text) of a file: kind is text, markup, compressed, pdf, converted or binary."""
    if name.endswith(COMPRESSED_SUFFIXES):
        parts = [text_of_bytes(inner_name, inner) for inner_name, inner in unpack(name, data)]
        parts = [part for part in parts if part]
        return ("compressed", "\n".join(parts)) if parts else ("binary", None)
    if name.endswith(".pdf"):
        text = pdf_text(path)
        return ("pdf", text) if text else ("binary", None)
    member = CONVERTED_MEMBERS.get(suffix_of(name))
    if member:
        try:
            with zipfile.ZipFile(io.BytesIO(data)) as archive:
                return "converted", strip_markup(archive.read(member).decode("utf-8", errors="replace"))
        except (KeyError, zipfile.BadZipFile, OSError):
            return "binary", None
    text = text_of_bytes(name, data)
    if text is None:
        return "binary", None
    return ("markup" if looks_like_markup(name, data) else "text"), text


# --------------------------------------------------------------------------------------------
# The archive's documented rules, used to choose words it registers and to explain misses.
# --------------------------------------------------------------------------------------------

# cp1252 bytes the indexer folds; every other byte at or above 0x80 separates words.
INDEXER_FOLD = bytes.maketrans(bytes([0xE0, 0xE2, 0xE4, 0xC4, 0xF4, 0xF2, 0xF6, 0xD6, 0xEF, 0xCF, 0xEC, 0xEE,
                                      0xF9, 0xFC, 0xDC, 0xFB, 0xF1, 0xCA, 0xCB, 0xEA, 0xE8, 0xE9, 0xEB]),
                               b"aaaaooooiiiiuuuuneeeeee")
INDEXER_TOKEN = re.compile(rb"[a-z]+|[0-9]+")
BYTES_COMMENT = re.compile(rb"<!--.*?-->", re.S)
BYTES_CODE = re.compile(rb"<(script|style)\b.*?</\1\s*>", re.S | re.I)
BYTES_TAG = re.compile(rb"<[^>]*>")


def list_entries(text):
    """Entries of an archive list file: separated by CR, LF, comma or semicolon."""
    return [entry.strip(" \t") for entry in re.split(r"[\r\n,;]+", text) if entry.strip(" \t")]


def drop_single_slashes(entry):
    """An excluded-folder entry as a loader that drops every single '/' reads it."""
    return re.sub(r"/{2,}", " ", re.sub(r"(?<!/)/(?!/)", "", entry))


class ArchiveRules:
    """The word rules and file lists of one archive, as its documentation describes them."""

    def __init__(self, lists, roots, min_length, cut_length):
        """lists: the text of each list file by its prefix (FIL, FMM, CMP, SCM, DIR, NIN)."""
        def read_list(prefix):
            return lists.get(prefix, "")[:2047].lower()

        self.min_length = min_length
        self.cut_length = cut_length
        self.text_entries = set(list_entries(read_list("FIL")))
        self.media_entries = set(list_entries(read_list("FMM")))
        self.compressed_entries = set(list_entries(read_list("CMP")))
        self.converted_entries = set(list_entries(read_list("SCM")))
        self.excluded = list_entries(read_list("DIR"))
        self.stop_words = {run for run in re.findall(r"[0-9a-z]+", lists.get("NIN", "").lower()) if len(run) >= 3}
        self.roots = set(roots)

    @classmethod
    def load(cls, archive_folder, number, roots_folder, min_length, cut_length):
        lists = {}
        for prefix in ("FIL", "FMM", "CMP", "SCM", "DIR", "NIN"):
            with open(os.path.join(archive_folder, "%s.%d" % (prefix, number)), "rb") as handle:
                lists[prefix] = handle.read().decode("cp1252", errors="replace")
        # The roots are the first three characters of every word of every file there.
        roots = set()
        for entry in sorted(os.listdir(roots_folder)):
            path = os.path.join(roots_folder, entry)
            if os.path.isfile(path):
                with open(path, "rb") as handle:
                    for run in re.findall(rb"[0-9A-Za-z]+", handle.read()):
                        roots.add(run[:3].lower().decode("ascii"))
        return cls(lists, roots, min_length, cut_length)

    def registers(self, word):
        """True when the archive keeps this token whole, so that a search for it can find it."""
        if len(word) > self.cut_length:
            return False
        if word.isdigit():
            return True
        return len(word) > self.min_length and word not in self.stop_words and word[:3] in self.roots

    def compressed(self, name):
        return suffix_of(name) in self.compressed_entries

    def converted(self, name):
        return suffix_of(name) in self.converted_entries

    def media(self, name):
        return suffix_of(name) in self.media_entries

    def has_indexable_text(self, name):
        """The file-name test of a run without file patterns: no extension, a long one,
        .htm*, .txt/.db-like, or an entry of the text list."""
        if not name:
            return True
        if name[0] < "!":
            return False
        extension = suffix_of(name)
        if not extension or len(extension) > 4:
            return True
        if ".ht" in extension:
            return True
        if extension[2:4] in ("db", "tx") or extension[1:3] in ("db", "tx"):
            return True
        return "estratti.vedra" not in name and extension in self.text_entries

    @staticmethod
    def markup_stripped(name):
        return any(kind in suffix_of(name) for kind in (".htm", ".asp", ".xml", ".php"))

    def folder_exclusion(self, root, folder):
        """Why `folder` (under the start folder `root`) is not walked, or None. The answer is
        (entry, reading, folder): reading "as written" when the entry matches as it stands,
        "slashes dropped" when only the entry without its single slashes matches."""
        relative = os.path.relpath(folder, root)
        parts = [] if relative == "." else relative.split(os.sep)
        current = root.rstrip("/")
        for depth in range(len(parts) + 1):
            if depth:
                name = parts[depth - 1]
                current += "/" + name
                if name.startswith("."):
                    return (".", "name begins with '.'", current + "/")
            path = current.lower() + "/"
            name = path.rstrip("/").rsplit("/", 1)[-1]
            for entry in self.excluded:
                if entry.strip("/") and (entry in path or (depth and name == entry)):
                    return (entry, "as written", current + "/")
            for entry in self.excluded:
                dropped = drop_single_slashes(entry)
                if dropped.strip() and (dropped in path or (depth and name == dropped)):
                    return (entry, "slashes dropped", current + "/")
        return None


def indexer_tokens(raw, min_length, cut_length, skip_after_short):
    """Tokens of lower-cased cp1252 bytes: ASCII letter runs and digit runs, cut to the
    truncation length. With skip_after_short, the byte after a letter token not above the
    minimum length is passed over, as the indexer does ("0x409" gives 0, x and 09)."""
    if not skip_after_short:
        return {token[:cut_length].decode("ascii") for token in INDEXER_TOKEN.findall(raw)}
    words = set()
    position = 0
    while True:
        match = INDEXER_TOKEN.search(raw, position)
        if match is None:
            return words
        token = match.group(0)
        position = match.end()
        if token[0] >= 0x61 and len(token) <= min_length:
            position += 1
            continue
        words.add(token[:cut_length].decode("ascii"))


def bytes_view_words(data, markup, rules, decode_entities=False, fold_all=False, join_crlf=False,
                     skip_after_short=True):
    """Words of a file read the indexer's documented way: valid UTF-8 transcoded to cp1252
    (a character without a cp1252 form: a blank), markup removed with CR LF pairs joined
    when asked, only the listed accents folded, the byte after a short word skipped. The
    flags switch one rule at a time to the reading of the independent tokeniser."""
    try:
        text = data.decode("utf-8")
        raw = data if text.isascii() else text.encode("cp1252", errors="replace").replace(b"?", b" ")
        if fold_all:
            raw = fold_and_lower(text).encode("ascii", errors="replace").replace(b"?", b" ")
    except UnicodeDecodeError:
        raw = data
        if fold_all:
            raw = fold_and_lower(data.decode("cp1252", errors="replace")).encode("ascii", errors="replace")
    if markup:
        if join_crlf:
            raw = raw.replace(b"\r\n", b"")
        raw = BYTES_COMMENT.sub(b" ", raw)
        raw = BYTES_CODE.sub(b" ", raw)
        raw = BYTES_TAG.sub(b" ", raw)
        if decode_entities:
            raw = html.unescape(raw.decode("cp1252", errors="replace")).encode("cp1252", errors="replace")
        raw = raw.replace(b"&amp;", b"&")
    return indexer_tokens(raw.translate(INDEXER_FOLD).lower(), rules.min_length, rules.cut_length,
                          skip_after_short)


# --------------------------------------------------------------------------------------------
# The corpus: every regular file of the trees and the words it holds.
# --------------------------------------------------------------------------------------------

class Document:
    __slots__ = ("path", "root", "name", "size", "kind", "crlf")

    def __init__(self, path, root, size):
        self.path = path
        self.root = root
        self.name = os.path.basename(path).lower()
        self.size = size
        self.kind = "unread"
        self.crlf = False


def display_path(path):
    """The path as `vedra search` prints it: the file system's bytes, UTF-8 when valid, else cp1252."""
    raw = os.fsencode(path)
    try:
        return raw.decode("utf-8")
    except UnicodeDecodeError:
        return raw.decode("cp1252", errors="replace")


def walk_regular_files(root):
    stack = [root]
    while stack:
        folder = stack.pop()
        try:
            entries = sorted(os.scandir(folder), key=lambda entry: entry.name)
        except OSError:
            continue
        for entry in entries:
            try:
                if entry.is_dir(follow_symlinks=False):
                    stack.append(entry.path)
                elif entry.is_file(follow_symlinks=False):
                    yield entry.path, entry.stat(follow_symlinks=False).st_size
            except OSError:
                continue


def read_corpus(trees, rules, progress):
    """Documents and an index word -> file numbers, for the words the archive registers."""
    documents = []
    index = {}
    started = time.monotonic()
    for root in trees:
        for path, size in walk_regular_files(root):
            document = Document(path, root, size)
            documents.append(document)
            try:
                with open(path, "rb") as handle:
                    data = handle.read()
            except OSError:
                continue
            document.crlf = b"\r\n" in data
            document.kind, text = read_document(path, document.name, data)
            if not text:
                continue
            number = len(documents) - 1
            for word in set(tokens_of(text)):
                if rules.registers(word):
                    postings = index.get(word)
                    if postings is None:
                        postings = index[word] = array("I")
                    postings.append(number)
            if progress and len(documents) % 2000 == 0:
                print("  read %d files (%.0f s)" % (len(documents), time.monotonic() - started), file=sys.stderr)
    return documents, index


# --------------------------------------------------------------------------------------------
# Choosing the words.
# --------------------------------------------------------------------------------------------

def word_like(word):
    """A word a person might search for: letters only, a vowel, no run of three equal letters."""
    return (word.isalpha() and 4 <= len(word) <= 14 and re.search("[aeiouy]", word) is not None
            and re.search(r"(.)\1\1", word) is None)


def choose_words(documents, index, rules, seed):
    """40 words: words of folders whose paths hold system, windows or temp, words at line
    ends of HTML files with CR LF lines, rare, medium and common words, two numbers."""
    rng = random.Random(seed)
    chosen = []

    def take(group, candidates, count):
        taken = {word for word, _ in chosen}
        candidates = sorted(set(candidates) - taken)
        for word in rng.sample(candidates, min(count, len(candidates))):
            chosen.append((word, group))

    # Files the archive would read if an excluded-folder entry kept its slashes, by entry
    # and folder.
    by_folder = {}
    for number, document in enumerate(documents):
        if document.kind in ("text", "markup") and rules.has_indexable_text(document.name):
            why = rules.folder_exclusion(document.root, os.path.dirname(document.path))
            if why and why[1] == "slashes dropped":
                by_folder.setdefault(why[0], {}).setdefault(why[2], set()).add(number)
    affected = {number for folders in by_folder.values() for files in folders.values() for number in files}
    held_in = {}
    for word, files in index.items():
        hits = [f for f in files if f in affected]
        if hits and word_like(word) and len(files) >= 2:
            held_in[word] = set(hits)
    # In turn for each entry, one word from its next largest folder where no word chosen
    # so far is held (the copyright files of one source package repeat in many folders).
    queues = {entry: sorted(folders.items(), key=lambda item: (-len(item[1]), item[0]))
              for entry, folders in by_folder.items()}
    while len(chosen) < 6 and any(queues.values()):
        for entry in sorted(queues):
            while queues[entry] and len(chosen) < 6:
                folder, files = queues[entry].pop(0)
                if any(f in files for word, _ in chosen for f in index[word]):
                    continue
                scores = {word: len(hits) / len(index[word]) for word, hits in held_in.items() if files & hits}
                if scores:
                    best = max(scores.values())
                    take('folder excluded as "%s" without its slashes' % entry.strip("/"),
                         [w for w, v in scores.items() if v >= best / 2], 1)
                    break

    glued = set()
    for document in documents:
        if document.crlf and document.kind == "markup" and rules.markup_stripped(document.name) \
                and rules.has_indexable_text(document.name) and document.size < MARKUP_CHUNK_LIMIT:
            with open(document.path, "rb") as handle:
                text = decode_text(handle.read()) or ""
            glued |= set(tokens_of(strip_markup(text))) - set(tokens_of(strip_markup(text, join_crlf=True)))
    glued = sorted((w for w in glued if w in index and word_like(w)), key=lambda w: (len(index[w]), w))
    take("line end in an HTML file with CR LF lines", glued[:2], 2)
    take("line end in an HTML file with CR LF lines", glued[2:], 2)

    df = {word: len(files) for word, files in index.items()}
    take("rare (2-9 files)", [w for w, n in df.items() if 2 <= n <= 9 and word_like(w)], 10)
    take("medium (10-99 files)", [w for w, n in df.items() if 10 <= n <= 99 and word_like(w)], 8)
    take("common (100-3000 files)", [w for w, n in df.items() if 100 <= n <= 3000 and word_like(w)], 10)
    take("number, rare", [w for w, n in df.items() if w.isdigit() and len(w) >= 4 and 2 <= n <= 9], 1)
    take("number, common", [w for w, n in df.items() if w.isdigit() and len(w) >= 3 and 100 <= n <= 3000], 1)
    take("more, 2-3000 files", [w for w, n in df.items() if 2 <= n <= 3000 and word_like(w)], 40 - len(chosen))
    return chosen


def write_words(path, chosen, seed):
    with open(path, "w", encoding="utf-8") as handle:
        handle.write("# Words of the recall measure, chosen by recall.py (seed %d) on %s, %s.\n"
                     % (seed, socket.gethostname(), datetime.date.today().isoformat()))
        handle.write("# One word a line, then a tab and the group it was chosen for.\n")
        for word, group in chosen:
            handle.write("%s\t%s\n" % (word, group))


def read_words(path):
    chosen = []
    with open(path, encoding="utf-8") as handle:
        for line in handle:
            line = line.split("#", 1)[0].rstrip("\n")
            if line.strip():
                word, _, group = line.partition("\t")
                chosen.append((word.strip().lower(), group.strip() or "given"))
    return chosen


# --------------------------------------------------------------------------------------------
# The archive: a fresh working folder, the first archive of its catalogue, the indexing runs.
# --------------------------------------------------------------------------------------------

class Vedra:
    def __init__(self, binary, working_folder):
        self.binary = binary
        self.working_folder = working_folder

    def run(self, *arguments, timeout=3600):
        command = [self.binary, "--workdir", self.working_folder, "--lang", "en", *arguments]
        return subprocess.run(command, stdin=subprocess.DEVNULL, capture_output=True, timeout=timeout)

    def info(self):
        done = self.run("info")
        fields = {}
        for line in done.stdout.decode("utf-8", errors="replace").splitlines():
            key, _, value = line.partition(": ")
            fields[key] = value
        return fields


def prepare_archive(vedra, trees):
    os.makedirs(vedra.working_folder)
    created = vedra.run("create", ARCHIVE_NAME)
    if created.returncode != 0:
        sys.exit("recall: vedra create failed:\n" + created.stderr.decode(errors="replace"))
    info = vedra.info()
    if info.get("Archive number") != "1":
        sys.exit("recall: the new archive is number %s, not the first of its catalogue" % info.get("Archive number"))
    runs = []
    for tree in trees:
        started = time.monotonic()
        done = vedra.run("index", tree)
        seconds = time.monotonic() - started
        output = done.stdout.decode("utf-8", errors="replace")
        if done.returncode != 0:
            sys.exit("recall: vedra index %s failed (%d):\n%s%s" % (tree, done.returncode, output,
                                                                    done.stderr.decode(errors="replace")))
        runs.append({"tree": tree, "seconds": round(seconds, 2), "summary": output.splitlines()[-12:],
                     "messages": done.stderr.decode("utf-8", errors="replace").strip().splitlines()[:20]})
    return info, runs


def catalogue_limits(root_folder, number):
    """Minimum and truncation length of an archive from its 100-byte catalogue entry."""
    with open(os.path.join(root_folder, "IND_ARC.PRI"), "rb") as handle:
        entry = handle.read()[100 * number: 100 * number + 100]
    if len(entry) < 92:
        return 2, 16
    return int.from_bytes(entry[84:88], "little", signed=True), int.from_bytes(entry[88:92], "little", signed=True)


def search(vedra, word):
    """Listed paths of `vedra search WORD`, from its JSON form and its tab-separated form."""
    as_json = vedra.run("search", word, "--json", timeout=600)
    as_tabs = vedra.run("search", word, timeout=600)
    rows = json.loads(as_json.stdout.decode("utf-8", errors="replace") or "[]")
    json_paths = [row["path"] for row in rows]
    tab_paths = [line.split("\t", 1)[0] for line in as_tabs.stdout.decode("utf-8", errors="replace").splitlines()]
    messages = as_json.stderr.decode("utf-8", errors="replace").strip()
    for form, done in (("--json", as_json), ("tab-separated", as_tabs)):
        if done.returncode != 0:
            messages += " (%s search: exit status %d)" % (form, done.returncode)
    return json_paths, tab_paths, messages


# --------------------------------------------------------------------------------------------
# Why a file holding a word is not listed.
# --------------------------------------------------------------------------------------------

CAUSES = [
    "folder excluded by DIR. (entry read without its slashes)",
    "folder excluded by DIR. (entry as written)",
    "folder not walked (name begins with '.')",
    "compressed file not unpacked",
    "word in a PDF/converted file",
    "file type whose text is not indexed",
    "file beyond the read limit of media types",
    "word glued across a CR LF in HTML",
    "byte after a short word skipped",
    "encoding",
    "word split by the indexer's chunking",
    "other",
]
(DIR_DROPPED, DIR_WRITTEN, DOT_FOLDER, COMPRESSED, CONVERTED, TYPE, MEDIA, CRLF, SHORT, ENCODING, CHUNKING,
 OTHER) = CAUSES
BY_DESIGN = {COMPRESSED, TYPE}


class MissExplainer:
    """Names the first rule of the archive that keeps a file holding a word out of the list."""

    def __init__(self, rules, chunk_bytes):
        self.rules = rules
        self.chunk_bytes = chunk_bytes
        self._cache = {}

    def _data(self, document):
        if document.path not in self._cache:
            if len(self._cache) > 64:
                self._cache.clear()
            with open(document.path, "rb") as handle:
                self._cache[document.path] = handle.read()
        return self._cache[document.path]

    def _near_chunk_ends(self, data, word):
        """Every occurrence of the word lies close to where a chunk of the indexer ends."""
        if len(data) <= self.chunk_bytes:
            return False
        ends = range(self.chunk_bytes, len(data), self.chunk_bytes)
        found = [m.start() for m in re.finditer(rb"(?i)(?<![a-z])%s(?![a-z])" % re.escape(word.encode()), data)]
        return bool(found) and all(min(abs(at - end) for end in ends) < CHUNK_END_MARGIN for at in found)

    def explain(self, document, word, walk_every_folder=False):
        rules = self.rules
        why = None if walk_every_folder else rules.folder_exclusion(document.root, os.path.dirname(document.path))
        if why:
            entry, reading, folder = why
            if entry == ".":
                return DOT_FOLDER, folder
            if reading == "as written":
                return DIR_WRITTEN, '"%s" in %s' % (entry, folder)
            return DIR_DROPPED, '"%s" as "%s" in %s' % (entry, drop_single_slashes(entry), folder)
        name = document.name
        if document.kind == "compressed":
            if rules.compressed(name):
                return COMPRESSED, "%s (in CMP.: skipped without the unpack option)" % suffix_of(name)
            return COMPRESSED, "%s (not in CMP.: only its name is recorded)" % suffix_of(name)
        if document.kind in ("pdf", "converted") or rules.converted(name):
            return CONVERTED, "%s: its converted text is not listed under the word" % suffix_of(name)
        if not rules.has_indexable_text(name):
            extension = suffix_of(name) or "(none)"
            inside = [entry for entry in sorted(rules.text_entries) if extension != entry and extension in entry]
            if inside:
                return TYPE, "%s (only inside the FIL. entry %s)" % (extension, inside[0])
            return TYPE, extension
        data = self._data(document)
        markup = document.kind == "markup" and rules.markup_stripped(name)
        if rules.media(name):
            head = text_of_bytes(name, data[:MEDIA_READ_LIMIT - 1]) or ""
            if word not in tokens_of(head.replace("\x00", "")):
                return MEDIA, "%s: only the first %d bytes are read" % (suffix_of(name), MEDIA_READ_LIMIT)
        if markup and document.crlf and len(data) < min(self.chunk_bytes, MARKUP_CHUNK_LIMIT) and \
                word in bytes_view_words(data, markup, rules) and \
                word not in bytes_view_words(data, markup, rules, join_crlf=True):
            return CRLF, "lines end in CR LF"
        if word not in bytes_view_words(data, markup, rules, join_crlf=markup):
            if word in bytes_view_words(data, markup, rules, join_crlf=markup, skip_after_short=False):
                found = re.search(rb"(?i)(?<![a-z])[a-z]{1,%d}%s[0-9a-z]*" % (rules.min_length, word.encode()), data)
                example = found.group(0).decode("cp1252", errors="replace") if found else word
                return SHORT, "as in \"%s\"" % example
            if b"\x00" in data[:65536]:
                return ENCODING, "UTF-16 or NUL bytes between the letters"
            if markup and word in bytes_view_words(data, markup, rules, decode_entities=True):
                return ENCODING, "written with an HTML entity the indexer does not decode"
            if word in bytes_view_words(data, markup, rules, fold_all=True):
                return ENCODING, "an accented letter the indexer does not fold"
            return ENCODING, "the indexer's transcoding gives other letters"
        if self._near_chunk_ends(data, word):
            return CHUNKING, "%d bytes, read in chunks of about %d bytes" % (len(data), self.chunk_bytes)
        return OTHER, "read as %s, %d bytes" % (document.kind, len(data))


def explain_extra(document, word, rules):
    """Why a listed file is not among the holders (the independent reading lacks the word)."""
    if document is None:
        return "not a regular file of the trees"
    if document.kind == "binary":
        return "read here as binary (NUL bytes); its bytes hold the word"
    with open(document.path, "rb") as handle:
        data = handle.read()
    markup = document.kind == "markup" or rules.markup_stripped(document.name)
    seen = bytes_view_words(data, markup, rules, join_crlf=markup)
    if word in seen and word not in bytes_view_words(data, markup, rules, join_crlf=markup, skip_after_short=False):
        return "the byte after a short word is skipped (\"0x5409\" gives 409)"
    if document.kind == "markup" and word in tokens_of(decode_text(data) or ""):
        return "inside markup (tag, attribute, comment or script)"
    if word in seen:
        return "the indexer's reading of the bytes makes the word (accents, transcoding, CR LF)"
    return "other"


# --------------------------------------------------------------------------------------------
# The measure and its report.
# --------------------------------------------------------------------------------------------

def measure(vedra, documents, index, chosen, explainer, rules):
    by_display = {display_path(document.path): number for number, document in enumerate(documents)}
    results = []
    for word, group in chosen:
        json_paths, tab_paths, messages = search(vedra, word)
        listed = set()
        unknown = []
        for path in json_paths:
            number = by_display.get(path)
            if number is None and path.endswith(".pdf.txt"):
                number = by_display.get(path[:-4])
            if number is None:
                unknown.append(path)
            else:
                listed.add(number)
        holders = set(index.get(word, ()))
        misses = []
        for number in sorted(holders - listed):
            cause, detail = explainer.explain(documents[number], word)
            miss = {"path": documents[number].path, "cause": cause, "detail": detail}
            if cause in (DIR_DROPPED, DIR_WRITTEN, DOT_FOLDER):
                miss["then"] = explainer.explain(documents[number], word, walk_every_folder=True)[0]
            misses.append(miss)
        extras = []
        for number in sorted(listed - holders):
            extras.append({"path": documents[number].path, "cause": explain_extra(documents[number], word, rules)})
        for path in unknown:
            extras.append({"path": path, "cause": explain_extra(None, word, rules)})
        results.append({
            "word": word, "group": group, "holders": len(holders), "listed": len(holders & listed),
            "rows": len(json_paths), "tab_rows": len(tab_paths), "rows_agree": json_paths == tab_paths,
            "messages": messages, "misses": misses, "extras": extras,
        })
    return results


def share(part, whole):
    return "%.1f %%" % (100.0 * part / whole) if whole else "-"


def cause_counts(results):
    counts = {}
    for result in results:
        for miss in result["misses"]:
            counts[miss["cause"]] = counts.get(miss["cause"], 0) + 1
    return counts


def write_report(report_path, context, results, compare):
    holders = sum(r["holders"] for r in results)
    listed = sum(r["listed"] for r in results)
    counts = cause_counts(results)
    readable = holders - sum(n for cause, n in counts.items() if cause in BY_DESIGN)
    out = []
    add = out.append
    add("# Recall of `vedra search` on %s" % " and ".join(context["trees"]))
    add("")
    add("- Binary: `%s` (%d bytes, modified %s)" % (context["binary"], context["binary_size"], context["binary_time"]))
    add("- Measured %s on %s; working folder `%s`, archive %s (number %s, the first of its catalogue)"
        % (context["date"], context["host"], context["working_folder"], context["archive"], context["number"]))
    add("- Word rules of the archive: minimum length %d (longer words kept), truncation %d, %d stop words, "
        "%d word roots" % (context["min_length"], context["cut_length"], context["stop_words"], context["roots"]))
    add("- Excluded folders (DIR.): %s" % ", ".join('"%s"' % e for e in context["excluded"]))
    add("- Text buffers: %s; chunks of about %d bytes; markup is removed from chunks below %d bytes"
        % (context["text_buffers"], context["chunk_bytes"], MARKUP_CHUNK_LIMIT))
    for run in context["runs"]:
        lines = {line.partition(": ")[0]: line.partition(": ")[2] for line in run["summary"]}
        add("- `vedra index %s`: %.2f s wall; %s files indexed, %s with text, %s words"
            % (run["tree"], run["seconds"], lines.get("Files indexed", "?"), lines.get("Files with text indexed", "?"),
               lines.get("Words indexed", "?")))
        for message in run["messages"][:5]:
            add("  - message: %s" % message)
    kinds = context["kinds"]
    add("- Read here: %d regular files (%s) in %.0f s"
        % (sum(kinds.values()), ", ".join("%s %d" % (k, n) for k, n in sorted(kinds.items())), context["read_seconds"]))
    add("- Words: %s" % context["words_source"])
    add("")
    add("## Summary")
    add("")
    add("Over %d words, %d of the %d (file, word) pairs where the file holds the word are listed: **%s**."
        % (len(results), listed, holders, share(listed, holders)))
    mean = sum(r["listed"] / r["holders"] for r in results if r["holders"]) / max(1, sum(1 for r in results if r["holders"]))
    add("Mean of the per-word shares: %.1f %%. Leaving out the files the default options do not read by design "
        "(compressed files, types whose text is not indexed): %d of %d, **%s**."
        % (100 * mean, listed, readable, share(listed, readable)))
    add("")
    add("| cause of a miss | misses | words with such misses |")
    add("|---|---:|---:|")
    for cause in CAUSES:
        if counts.get(cause):
            words = sum(1 for r in results if any(m["cause"] == cause for m in r["misses"]))
            add("| %s | %d | %d |" % (cause, counts[cause], words))
    add("| **all misses** | **%d** | |" % (holders - listed))
    add("")
    fixable = sum(1 for r in results for m in r["misses"]
                  if m["cause"] == CRLF or (m["cause"] == DIR_DROPPED and m.get("then") == OTHER))
    add("Misses that an excluded-folder list keeping its slashes and HTML lines kept apart at CR LF would turn "
        "into listed files (no other rule found against them): %d, which would make the overall share %s."
        % (fixable, share(listed + fixable, holders)))
    add("")
    extras = sum(len(r["extras"]) for r in results)
    add("Listed beyond the files found here to hold the word: %d rows (section at the end)." % extras)
    disagree = [r["word"] for r in results if not r["rows_agree"]]
    add("The tab-separated and the JSON lists %s." % (
        "agree for every word" if not disagree else "differ for: " + ", ".join(disagree)))
    add("")
    if compare:
        add("## Before and after")
        add("")
        add("Earlier run: %s, `%s`." % (compare["context"]["date"], compare["context"]["binary"]))
        add("")
        earlier = {r["word"]: r for r in compare["results"]}
        before_holders = sum(r["holders"] for r in compare["results"])
        before_listed = sum(r["listed"] for r in compare["results"])
        add("Overall: %s before, %s now." % (share(before_listed, before_holders), share(listed, holders)))
        add("")
        add("| cause | misses before | misses now |")
        add("|---|---:|---:|")
        before_counts = cause_counts(compare["results"])
        for cause in CAUSES:
            if counts.get(cause) or before_counts.get(cause):
                add("| %s | %d | %d |" % (cause, before_counts.get(cause, 0), counts.get(cause, 0)))
        add("")
        add("| word | share before | share now | newly listed | newly missed |")
        add("|---|---:|---:|---:|---:|")
        for r in results:
            e = earlier.get(r["word"])
            if not e:
                add("| %s | (not measured) | %s | | |" % (r["word"], share(r["listed"], r["holders"])))
                continue
            was = {m["path"] for m in e["misses"]}
            now = {m["path"] for m in r["misses"]}
            add("| %s | %s | %s | %d | %d |" % (r["word"], share(e["listed"], e["holders"]),
                                               share(r["listed"], r["holders"]), len(was - now), len(now - was)))
        add("")
        moved = {}
        for r in results:
            e = earlier.get(r["word"])
            if e:
                now = {m["path"] for m in r["misses"]}
                for m in e["misses"]:
                    if m["path"] not in now:
                        moved[m["cause"]] = moved.get(m["cause"], 0) + 1
        add("Listed now, missed before, by the cause found before: %s." % (
            "; ".join("%s %d" % (c, moved[c]) for c in CAUSES if c in moved) or "none"))
        add("")
    add("## Per word")
    add("")
    add("| word | chosen as | files holding it | listed | share | misses by cause | rows beyond |")
    add("|---|---|---:|---:|---:|---|---:|")
    for r in results:
        by_cause = {}
        for miss in r["misses"]:
            by_cause[miss["cause"]] = by_cause.get(miss["cause"], 0) + 1
        text = "; ".join("%s %d" % (cause, by_cause[cause]) for cause in CAUSES if cause in by_cause)
        add("| %s | %s | %d | %d | %s | %s | %d |" % (r["word"], r["group"], r["holders"], r["listed"],
                                                      share(r["listed"], r["holders"]), text or "-", len(r["extras"])))
    messages = [(r["word"], r["messages"]) for r in results if r["messages"]]
    if messages:
        add("")
        add("Messages of `vedra search`: " + "; ".join("%s: %s" % (w, m.replace("\n", " ")) for w, m in messages))
    add("")
    add("## Misses by cause, with examples")
    for cause in CAUSES:
        pairs = [(r["word"], m) for r in results for m in r["misses"] if m["cause"] == cause]
        if not pairs:
            continue
        add("")
        add("### %s: %d" % (cause, len(pairs)))
        add("")
        details = {}
        for word, miss in pairs:
            details.setdefault(miss["detail"] if cause != OTHER else "", []).append((word, miss["path"]))
        shown = 30 if cause == OTHER else 4
        after = {}
        for word, miss in pairs:
            if "then" in miss:
                then = "none (expected to be listed)" if miss["then"] == OTHER else miss["then"]
                after[then] = after.get(then, 0) + 1
        if after:
            add("If these folders were walked, what would still keep the files out: " + "; ".join(
                "%s %d" % item for item in sorted(after.items(), key=lambda item: -item[1])) + ".")
            add("")
        for detail, items in sorted(details.items(), key=lambda item: -len(item[1]))[:12]:
            if detail:
                add("- %s: %d" % (detail, len(items)))
            for word, example in items[:shown]:
                add("  - `%s` in %s" % (word, example))
            if len(items) > shown:
                add("  - ... %d more" % (len(items) - shown))
    add("")
    add("## Rows listed beyond the holders")
    add("")
    extra_causes = {}
    for r in results:
        for extra in r["extras"]:
            extra_causes.setdefault(extra["cause"], []).append((r["word"], extra["path"]))
    if not extra_causes:
        add("None.")
    for cause, items in sorted(extra_causes.items(), key=lambda item: -len(item[1])):
        add("- %s: %d" % (cause, len(items)))
        for word, example in items[:4]:
            add("  - `%s` in %s" % (word, example))
    add("")
    with open(report_path, "w", encoding="utf-8") as handle:
        handle.write("\n".join(out))


# --------------------------------------------------------------------------------------------

def self_check():
    """The tokeniser and the archive rules on strings whose words are known."""
    rules = ArchiveRules({"FIL": ".c\r\n.h\r\n.ppt\r\n", "CMP": ".gz\r\n.zip\r\n", "SCM": ".pdf\r\n",
                          "FMM": ".png\r\n", "DIR": "debug\r\n/temp\r\n/system/\r\n", "NIN": "the\r\nand\r\n"},
                         {"def", "sys"}, 2, 16)
    checks = [
        (sorted(w for w in ("define", "de", "the", "sysadmin", "abc", "2012", "12345678901234567") if
                rules.registers(w)), ["2012", "define", "sysadmin"]),
        ([n for n in ("a.h", "a.hpp", "a.pp", "readme", "a.html", "a.txt", "a.jpeg2", "a.md", " a.c")
          if rules.has_indexable_text(n)], ["a.h", "readme", "a.html", "a.txt", "a.jpeg2"]),
        (rules.folder_exclusion("/d", "/d/x/systemd/y"), ("/system/", "slashes dropped", "/d/x/systemd/")),
        (rules.folder_exclusion("/d", "/d/system/y"), ("/system/", "as written", "/d/system/")),
        (rules.folder_exclusion("/d", "/d/templates"), ("/temp", "as written", "/d/templates/")),
        (rules.folder_exclusion("/d", "/d/libutempter"), ("/temp", "slashes dropped", "/d/libutempter/")),
        (rules.folder_exclusion("/d", "/d/a/.git/b"), (".", "name begins with '.'", "/d/a/.git/")),
        (rules.folder_exclusion("/d", "/d/a/debugger"), ("debug", "as written", "/d/a/debugger/")),
        (rules.folder_exclusion("/d", "/d/filesys/tem"), None),
        (tokens_of("Città più perché"), ["citta", "piu", "perche"]),
        (tokens_of("Fábrica ÉCOLE straße"), ["fabrica", "ecole", "stra", "e"]),
        (tokens_of("abc123 x_y 2012abc"), ["abc", "123", "x", "y", "2012", "abc"]),
        (tokens_of("alpha\r\nbeta\tgamma"), ["alpha", "beta", "gamma"]),
        (tokens_of(strip_markup("<p>one</p><!-- two --><b>three</b><script>four()</script>caf&eacute;")),
         ["one", "three", "cafe"]),
        (tokens_of(strip_markup("<p>last\r\nfirst</p>", join_crlf=True)), ["lastfirst"]),
        (tokens_of(decode_text("\ufeffUTF sixteen".encode("utf-16"))), ["utf", "sixteen"]),
        (decode_text(b"PNG\x00\x01binary"), None),
        (tokens_of(decode_text("gr\xfc\xdfe".encode("cp1252"))), ["gru", "e"]),
        (sorted(bytes_view_words("Città Fábrica".encode("utf-8"), False, rules)), ["brica", "citta"]),
        (sorted(bytes_view_words(b"<p>end\r\nstart</p>", True, rules, join_crlf=True)), ["endstart"]),
        (sorted(bytes_view_words(b"0x409 0x5409 ab-cd", False, rules)), ["0", "09", "409"]),
        (sorted(bytes_view_words(b"0x409", False, rules, skip_after_short=False)), ["0", "409", "x"]),
        (drop_single_slashes("/system/"), "system"),
        (drop_single_slashes("a//b/c"), "a bc"),
    ]
    failed = [(got, wanted) for got, wanted in checks if got != wanted]
    for got, wanted in failed:
        print("self-check: got %r, wanted %r" % (got, wanted), file=sys.stderr)
    return not failed


def main():
    parser = argparse.ArgumentParser(description="Recall of `vedra search` on this machine's trees.")
    parser.add_argument("--vedra")
    parser.add_argument("--report")
    words = parser.add_mutually_exclusive_group()
    words.add_argument("--words")
    words.add_argument("--save-words")
    parser.add_argument("--compare")
    parser.add_argument("--work")
    parser.add_argument("--tree", action="append")
    parser.add_argument("--seed", type=int, default=2026)
    parser.add_argument("--self-check", action="store_true")
    options = parser.parse_args()
    if not self_check():
        return 1
    if options.self_check:
        print("self-check: passed")
        return 0
    if not options.vedra or not options.report:
        parser.error("--vedra and --report are needed")
    if not options.words and not options.save_words:
        parser.error("give --words FILE (the words of an earlier run) or --save-words FILE (choose them)")
    binary = os.path.abspath(options.vedra)
    trees = [os.path.abspath(tree) for tree in (options.tree or DEFAULT_TREES)]
    outputs = [options.report, os.path.splitext(options.report)[0] + ".json", options.save_words, options.work]
    for output in filter(None, outputs):
        output = os.path.realpath(output)
        if any(output == tree or output.startswith(tree.rstrip("/") + "/") for tree in map(os.path.realpath, trees)):
            parser.error("%s lies inside a measured tree: nothing is written there" % output)
    compare = None
    if options.compare:
        with open(options.compare, encoding="utf-8") as handle:
            compare = json.load(handle)

    work = os.path.abspath(options.work) if options.work else tempfile.mkdtemp(prefix="vedra-recall-")
    if os.path.exists(work) and os.listdir(work):
        sys.exit("recall: %s is not empty; give a new folder with --work" % work)
    working_folder = os.path.join(work, "vedraprog")
    vedra = Vedra(binary, working_folder)
    print("recall: archive in %s, indexing %s" % (work, " ".join(trees)), file=sys.stderr)
    info, runs = prepare_archive(vedra, trees)
    number = int(info["Archive number"])
    archive_folder = info["Archive folder"]
    min_length, cut_length = catalogue_limits(info["Root folder"], number)
    rules = ArchiveRules.load(archive_folder, number, os.path.join(working_folder, "Lemmi", "Radici"),
                              min_length, cut_length)
    text_buffers = info.get("Text buffers", "")
    sizes = re.findall(r"\d+", text_buffers)
    # A chunk is a quarter of a text buffer's usable length, 1024 bytes below its size.
    chunk_bytes = (int(sizes[-1]) - 1024) // 4 if sizes else 2047744

    print("recall: reading the files", file=sys.stderr)
    started = time.monotonic()
    documents, index = read_corpus(trees, rules, progress=True)
    read_seconds = time.monotonic() - started

    if options.words:
        chosen = read_words(options.words)
        source = "read from `%s`" % options.words
    else:
        chosen = choose_words(documents, index, rules, options.seed)
        write_words(options.save_words, chosen, options.seed)
        source = "chosen from the text (seed %d), written to `%s`" % (options.seed, options.save_words)
    unregistered = [word for word, _ in chosen if not rules.registers(word)]
    if unregistered:
        print("recall: the archive does not register: %s" % " ".join(unregistered), file=sys.stderr)

    print("recall: searching %d words" % len(chosen), file=sys.stderr)
    results = measure(vedra, documents, index, chosen, MissExplainer(rules, chunk_bytes), rules)

    kinds = {}
    for document in documents:
        kinds[document.kind] = kinds.get(document.kind, 0) + 1
    status = os.stat(binary)
    context = {
        "trees": trees, "binary": binary, "binary_size": status.st_size,
        "binary_time": datetime.datetime.fromtimestamp(status.st_mtime).strftime("%Y-%m-%dT%H:%M:%S"),
        "date": datetime.datetime.now().strftime("%Y-%m-%dT%H:%M:%S"), "host": socket.gethostname(),
        "working_folder": working_folder, "archive": info.get("Current archive"), "number": number,
        "min_length": min_length, "cut_length": cut_length, "stop_words": len(rules.stop_words),
        "roots": len(rules.roots), "excluded": rules.excluded, "text_buffers": text_buffers,
        "chunk_bytes": chunk_bytes, "runs": runs, "kinds": kinds, "read_seconds": read_seconds,
        "words_source": source,
    }
    write_report(options.report, context, results, compare)
    with open(os.path.splitext(options.report)[0] + ".json", "w", encoding="utf-8") as handle:
        json.dump({"context": context, "results": results}, handle, indent=1)
    holders = sum(r["holders"] for r in results)
    listed = sum(r["listed"] for r in results)
    print("recall: %d of %d listed (%s); report %s" % (listed, holders, share(listed, holders), options.report))
    return 0


if __name__ == "__main__":
    sys.exit(main())
