#!/usr/bin/env python3
"""Writes a deterministic synthetic folder tree for the scale benchmark.

    bench/scale-gen.py OUT --files N [--seed S] [--queries FILE] [--roots FILE]

The words are real: the vocabulary is every word of the texts under
/usr/share/doc (README, copyright, *.txt and *.md files, uncompressed), ranked
by how often they occur there, followed by the words of /usr/share/dict
(English, Italian and Spanish lists: packages wamerican, witalian, wspanish) in a
seeded order. Documents draw their words from that ranking with a Zipf-Mandelbrot
law (weight 1 / (rank + 2.7)), so the common words are the common words of real
documentation and the long tail is the dictionaries'; a few words of every
document come from the tail only, so the vocabulary keeps growing with the tree
as a real one does.

Files go into nested folders (at most 24 files and 6 sub-folders each, so a
tree of 800,000 files is six folders deep), named after dictionary words. The
mix: 75% plain text (.txt), 15% HTML (.html, with markup and entities), 4%
files without an extension, 5% binary files that are only named (.bin), 1% PDF
(one page, written here, readable by pdftotext). Sizes are log-normal around
300 words (a few files run to 6,000).

The same seed, file count and source files give the same tree byte for byte;
the sources' digest is printed so that two machines can tell whether they match.
With --queries the words at a few frequency ranks (frequent to rare, each one a
word the default roots of an archive let in: --roots) are written one a line as
"RANK WORD" for the benchmark's queries.
"""

import argparse
import hashlib
import math
import os
import random
import re
import sys
import unicodedata

DOC_ROOT = "/usr/share/doc"
DICTIONARIES = ["/usr/share/dict/american-english", "/usr/share/dict/italian", "/usr/share/dict/spanish"]
# Folder-name fragments a new archive leaves out of a run, and the stop words:
# the tree holds no such folder, and no query is such a word.
EXCLUDED_FRAGMENTS = ("recycled", "temp", "debug", "release", "windows", "i386", "system", "vedra")
STOP_WORDS = set(
    "uno una egli noi voi essi esso loro dell del delle della alla alle allo cui chi che per con sul tra fra "
    "non agrave egrave ograve igrave nbsp quot but were not yet and was she one that with will has shall your "
    "our the they there which can from been than have must had for".split())
QUERY_RANKS = (5, 30, 200, 1000, 5000, 20000)
WORD = re.compile(r"[^\W\d_]{2,24}")
FILES_PER_FOLDER = 24
FOLDERS_PER_FOLDER = 6


def source_texts():
    """Paths of the documentation texts read, in a fixed order."""
    paths = []
    for folder, subfolders, names in os.walk(DOC_ROOT):
        subfolders.sort()
        for name in sorted(names):
            lower = name.lower()
            if lower == "copyright" or lower.startswith("readme") and not lower.endswith(".gz") or \
                    lower.endswith((".txt", ".md")):
                path = os.path.join(folder, name)
                if os.path.isfile(path) and not os.path.islink(path):
                    paths.append(path)
    return paths


def vocabulary(rng, digest):
    counts = {}
    for path in source_texts():
        try:
            with open(path, "rb") as f:
                data = f.read(1 << 20)
        except OSError:
            continue
        digest.update(data)
        for word in WORD.findall(data.decode("utf-8", "replace").lower()):
            counts[word] = counts.get(word, 0) + 1
    ranked = sorted(counts, key=lambda w: (-counts[w], w))
    seen = set(ranked)
    tail = []
    for path in DICTIONARIES:
        try:
            with open(path, "rb") as f:
                data = f.read()
        except OSError:
            print(f"scale-gen: {path} is missing (install wamerican, witalian, wspanish)", file=sys.stderr)
            continue
        digest.update(data)
        for line in data.decode("utf-8", "replace").splitlines():
            word = line.strip().lower()
            if "'" in word or not WORD.fullmatch(word) or word in seen:
                continue
            seen.add(word)
            tail.append(word)
    tail.sort()
    rng.shuffle(tail)
    return ranked + tail


def ascii_name(word):
    folded = unicodedata.normalize("NFKD", word).encode("ascii", "ignore").decode()
    return re.sub(r"[^a-z]", "", folded)


def name_words(words, rng):
    """Dictionary words usable in file and folder names."""
    names = []
    for word in words[:60000]:
        name = ascii_name(word)
        if 3 <= len(name) <= 12 and not any(f in name for f in EXCLUDED_FRAGMENTS):
            names.append(name)
    names = sorted(set(names))
    rng.shuffle(names)
    return names


class Words:
    def __init__(self, words, rng):
        self.words = words
        self.rng = rng
        weights = [1.0 / (rank + 2.7) for rank in range(len(words))]
        total = 0.0
        self.cumulative = []
        for w in weights:
            total += w
            self.cumulative.append(total)
        # A pool of draws that documents take slices of: drawing every word anew
        # would make the generator slower than the indexers it feeds.
        self.pool = rng.choices(words, cum_weights=self.cumulative, k=1 << 21)
        self.tail_start = 2000

    def document(self, count):
        rng = self.rng
        start = rng.randrange(len(self.pool) - count) if count < len(self.pool) else 0
        text = self.pool[start:start + count]
        rare = max(1, count // 25)
        # Tail words, the rarer ones least often: the vocabulary grows with the tree.
        span = len(self.words) - self.tail_start - 1
        rare_words = [self.words[self.tail_start + int(rng.random() ** 3 * span)] for _ in range(rare)]
        for word in rare_words:
            text[rng.randrange(len(text))] = word
        return text


def lines_of(words, rng):
    lines, i = [], 0
    while i < len(words):
        n = rng.randint(6, 14)
        line = " ".join(words[i:i + n])
        i += n
        if rng.random() < 0.15:
            line = line[:1].upper() + line[1:] + "."
        lines.append(line)
    return lines


def plain_text(words, rng):
    out, lines = [], lines_of(words, rng)
    for i, line in enumerate(lines):
        out.append(line)
        if rng.random() < 0.12 or i == len(lines) - 1:
            out.append("")
    return "\n".join(out).encode("utf-8")


def html_text(words, rng):
    lines = lines_of(words, rng)
    title = " ".join(words[:4])
    out = ["<!DOCTYPE html>", "<html><head><meta charset=\"utf-8\"><title>%s</title></head><body>" % title,
           "<h1>%s</h1>" % title]
    para = []
    for line in lines:
        if rng.random() < 0.1:
            parts = line.split(" ", 2)
            if len(parts) == 3:
                line = '%s <a href="%s.html">%s</a> %s' % (parts[0], ascii_name(parts[1]) or "x", parts[1], parts[2])
        if rng.random() < 0.05:
            line += " &amp; &egrave; &nbsp;"
        para.append(line)
        if rng.random() < 0.2:
            out.append("<p>" + "\n".join(para) + "</p>")
            para = []
    if para:
        out.append("<p>" + "\n".join(para) + "</p>")
    out.append("</body></html>")
    return ("\n".join(out) + "\n").encode("utf-8")


def pdf_string(text):
    raw = text.encode("cp1252", "replace")
    out = bytearray()
    for b in raw:
        if b in b"()\\":
            out += b"\\" + bytes([b])
        elif b < 32 or b > 126:
            out += b"\\%03o" % b
        else:
            out.append(b)
    return bytes(out)


def pdf_document(words, rng):
    lines = lines_of(words[:600], rng)[:50]
    stream = bytearray(b"BT /F1 10 Tf 12 TL 50 780 Td\n")
    for line in lines:
        stream += b"(" + pdf_string(line) + b") Tj T*\n"
    stream += b"ET\n"
    objects = [
        b"<< /Type /Catalog /Pages 2 0 R >>",
        b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 842] /Resources << /Font << /F1 4 0 R >> >> "
        b"/Contents 5 0 R >>",
        b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>",
        b"<< /Length %d >>\nstream\n" % len(stream) + bytes(stream) + b"endstream",
    ]
    out = bytearray(b"%PDF-1.4\n%\xe2\xe3\xcf\xd3\n")
    offsets = []
    for number, body in enumerate(objects, 1):
        offsets.append(len(out))
        out += b"%d 0 obj\n" % number + body + b"\nendobj\n"
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    for offset in offsets:
        out += b"%010d 00000 n \n" % offset
    out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objects) + 1, xref)
    return bytes(out)


def word_count(rng):
    return max(8, min(6000, int(rng.lognormvariate(math.log(300), 0.9))))


def generate(out, files, seed, queries, roots):
    rng = random.Random(seed)
    digest = hashlib.sha256()
    words = vocabulary(rng, digest)
    if len(words) < 10000:
        sys.exit("scale-gen: fewer than 10,000 words found; install wamerican, witalian and wspanish")
    names = name_words(words, rng)
    source = Words(words, rng)
    os.makedirs(out, exist_ok=True)

    # Folder k's children are 6k+1 .. 6k+6, so the folders needed for `files`
    # files are numbered 0 .. count-1 and nest log6(count) deep.
    folder_count = max(1, -(-files // FILES_PER_FOLDER))
    paths = [out]
    used = [set()]
    for k in range(1, folder_count):
        parent = (k - 1) // FOLDERS_PER_FOLDER
        base = names[rng.randrange(len(names))]
        name, n = base, 1
        while name in used[parent]:
            n += 1
            name = "%s%d" % (base, n)
        used[parent].add(name)
        used.append(set())
        paths.append(os.path.join(paths[parent], name))
        os.makedirs(paths[k], exist_ok=True)

    kinds = (("txt", 75), ("html", 15), ("", 4), ("bin", 5), ("pdf", 1))
    kind_names = [k for k, _ in kinds]
    kind_weights = [w for _, w in kinds]
    total_bytes = 0
    for i in range(files):
        k = i // FILES_PER_FOLDER
        kind = rng.choices(kind_names, weights=kind_weights)[0]
        base = "%s-%s" % (names[rng.randrange(len(names))], names[rng.randrange(len(names))])
        name = base + ("." + kind if kind else "")
        n = 1
        while name in used[k]:
            n += 1
            name = "%s%d" % (base, n) + ("." + kind if kind else "")
        used[k].add(name)
        if kind == "bin":
            data = rng.randbytes(rng.randint(200, 4000))
        else:
            text = source.document(word_count(rng))
            if kind == "html":
                data = html_text(text, rng)
            elif kind == "pdf":
                data = pdf_document(text, rng)
            else:
                data = plain_text(text, rng)
        with open(os.path.join(paths[k], name), "wb") as f:
            f.write(data)
        total_bytes += len(data)
        if (i + 1) % 50000 == 0:
            print(f"scale-gen: {i + 1} files", file=sys.stderr)

    if queries:
        allowed = set()
        if roots:
            with open(roots, encoding="latin-1") as f:
                allowed = {line.strip().lower() for line in f if line.strip()}
        with open(queries, "w") as f:
            for rank in QUERY_RANKS:
                for r in range(rank, len(words)):
                    w = words[r]
                    if w.isascii() and w.isalpha() and 4 <= len(w) <= 16 and w not in STOP_WORDS and \
                            (not allowed or w[:3] in allowed):
                        f.write(f"{r} {w}\n")
                        break
    print(f"scale-gen: {files} files in {folder_count} folders, {total_bytes} bytes, "
          f"{len(words)} words in the vocabulary, seed {seed}, sources {digest.hexdigest()[:16]}")


def main():
    parser = argparse.ArgumentParser(description="Writes the scale benchmark's synthetic tree.")
    parser.add_argument("out")
    parser.add_argument("--files", type=int, required=True)
    parser.add_argument("--seed", type=int, default=19)
    parser.add_argument("--queries")
    parser.add_argument("--roots")
    args = parser.parse_args()
    if args.files < 1:
        parser.error("--files must be positive")
    generate(args.out, args.files, args.seed, args.queries, args.roots)


if __name__ == "__main__":
    main()
