#!/usr/bin/env bash
# The index follows the disk. A seeded tree of plain-text and HTML files (and a
# .zip read with --unpack when 7z is there) of known words is indexed, churned as
# a user would (a word replaced in a file, an HTML page and a zip member, a file
# deleted, one moved to another folder, a folder renamed, a file added, a zip
# member removed) and indexed again. Every search is compared with the words the
# files hold at that moment, as written here: each word alone, AND, --or,
# --words-or and --all-archives (a second archive beside). A run whose start
# folder is gone changes nothing: its rows stay, flagged "gone".
source "$(dirname "${BASH_SOURCE[0]}")/test_support.sh"

python=$(command -v python3) || { fail "python3 is missing (scripts/install-deps)"; exit 1; }
with_zip=1
command -v 7z >/dev/null || { echo "note: 7z is missing (Debian 7zip): the .zip part is left out"; with_zip=0; }

"$python" - "$vedra" "$tmp" "$with_zip" <<'PYTHON'
import collections, hashlib, json, os, random, subprocess, sys, time, zipfile

vedra, tmp, with_zip = sys.argv[1], sys.argv[2], sys.argv[3] == "1"
work, docs, other = (os.path.join(tmp, name) for name in ("work", "docs", "other"))
SEP = " \u00bb "
# None is part of another, so --words-or finds a word in the files that hold it.
VOCABULARY = ("amber basket candle dolphin engine falcon garden harbor island jacket kettle lemon "
              "marble napkin orchard pepper quartz ribbon saddle tunnel velvet walnut yellow zipper").split()
rng = random.Random(3507)
failures = []


def fail(text):
    failures.append(text)
    print("FAIL: " + text)


def vedra_run(*arguments):
    return subprocess.run([vedra, "--workdir", work, *arguments], capture_output=True, timeout=300)


def index(path, *options):
    done = vedra_run("index", path, *options)
    if done.returncode != 0:
        fail("vedra index %s %s exited %d: %s" % (path, " ".join(options), done.returncode,
                                                 done.stderr.decode(errors="replace")))


# The files' words as written: path as a row shows it -> set of words.
model, other_model = {}, {}
# Why a path must no longer be listed, for the messages.
left = {}
an_hour_ago = time.time() - 3600


def text_body(words):
    return "\n".join(", ".join(words[i:i + 2]) + "." for i in range(0, len(words), 2)) + "\n"


def html_body(words):
    return ("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"></head><body>\n<p>%s <b>%s</b></p>\n"
            "<ul>%s</ul>\n</body></html>\n" % (words[0], words[1], "".join("<li>%s</li>" % w for w in words[2:])))


def write(root, table, relative, words, when=None):
    path = os.path.join(root, relative)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as handle:
        handle.write(html_body(words) if path.endswith(".html") else text_body(words))
    if when is not None:
        os.utime(path, (when, when))
    table[path] = set(words)


OLD_MEMBER, NEW_MEMBER = (2024, 1, 2, 10, 0, 0), (2025, 6, 1, 12, 0, 0)


def write_zip(relative, members, when):
    """members: (name, words, zip date) of each member, written as text or HTML."""
    path = os.path.join(docs, relative)
    for key in [k for k in model if k.startswith(path + SEP)]:
        del model[key]
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as packed:
        for name, words, date in members:
            packed.writestr(zipfile.ZipInfo(name, date), html_body(words) if name.endswith(".html") else text_body(words))
            model[path + SEP + name] = set(words)
    os.utime(path, (when, when))


def some(count=5):
    return rng.sample(VOCABULARY, count)


def replace_one(words):
    """The words with the first one replaced by a word they lacked, and the queries that look
    at the edit: (new words, (the word lost, one kept, one the file never held))."""
    gained = rng.choice([w for w in VOCABULARY if w not in words])
    never = rng.choice([w for w in VOCABULARY if w not in words and w != gained])
    return words[1:] + [gained], (words[0], words[1], never)


# ---- The tree, a second archive, the first run.
files = {name: some() for name in ("notes/n0.txt", "notes/n1.txt", "notes/n2.txt", "notes/n3.txt", "web/p0.html",
                                   "web/p1.html", "projects/alpha/q0.txt", "projects/alpha/q1.html")}
for name, words in files.items():
    write(docs, model, name, words, an_hour_ago)
members = {"m1.txt": some(), "m2.html": some(), "m3.txt": some()}
if with_zip:
    write_zip("pack.zip", [(name, words, OLD_MEMBER) for name, words in members.items()], an_hour_ago)
# The other archive holds the word the first edit takes away.
write(other, other_model, "o0.txt", [files["notes/n0.txt"][0]] + some(3), an_hour_ago)

for name in ("other", "churn"):
    done = vedra_run("create", name)
    if done.returncode != 0:
        sys.exit("vedra create %s: %s" % (name, done.stderr.decode(errors="replace")))
    if name == "other":
        index(other)
index(docs, "--unpack")


def rows_of(*arguments):
    done = vedra_run("search", *arguments, "--json")
    try:
        return json.loads(done.stdout.decode("utf-8") or "[]")
    except ValueError:
        fail("search %s: no JSON (exit %d): %r" % (" ".join(arguments), done.returncode, done.stdout[:200]))
        return []


def expected(table, words, mode):
    if mode == "--words-or":
        return {p for p, held in table.items() if any(q in w for q in words for w in held)}
    test = any if mode == "--or" else all
    return {p for p, held in table.items() if test(w in held for w in words)}


def check(phase, words, mode=None, all_archives=False):
    arguments = list(words) + ([mode] if mode else []) + (["--all-archives"] if all_archives else [])
    rows = rows_of(*arguments)
    table = dict(model, **other_model) if all_archives else model
    want = expected(table, words, mode)
    listed = collections.Counter(row.get("path") for row in rows)
    query = "%s: search %s" % (phase, " ".join(arguments))
    for row in rows:
        path = row.get("path")
        flag = " (stale: %s)" % row.get("staleReason") if row.get("stale") else ""
        if path not in want:
            fail("%s lists %s, %s%s" % (query, path, left.get(path, "which does not hold the words"), flag))
        elif flag:
            fail("%s lists %s as changed since indexing%s" % (query, path, flag))
    for path, count in listed.items():
        if count > 1:
            fail("%s lists %s %d times" % (query, path, count))
    for path in sorted(want - set(listed)):
        fail("%s misses %s" % (query, path))


def check_everything(phase, edits):
    for word in VOCABULARY:
        check(phase, [word])
    for lost, kept, never in edits:
        check(phase, [lost, kept])
        check(phase, [lost, never], "--or")
        check(phase, [lost], "--words-or")
        check(phase, [lost], all_archives=True)


edits = []
n0, queries = replace_one(files["notes/n0.txt"])
edits.append(queries)
p0, queries = replace_one(files["web/p0.html"])
edits.append(queries)
m1, queries = replace_one(members["m1.txt"])
if with_zip:
    edits.append(queries)

check_everything("first run", edits)

# ---- The churn.
now = time.time()
write(docs, model, "notes/n0.txt", n0, now)
left[os.path.join(docs, "notes/n0.txt")] = "which lost the words in an edit"
write(docs, model, "web/p0.html", p0, now)
left[os.path.join(docs, "web/p0.html")] = "which lost the words in an edit"
gone = os.path.join(docs, "notes/n1.txt")
os.remove(gone)
del model[gone]
left[gone] = "a deleted file"
moved_from, moved_to = os.path.join(docs, "notes/n2.txt"), os.path.join(docs, "web/n2.txt")
os.rename(moved_from, moved_to)
model[moved_to] = model.pop(moved_from)
left[moved_from] = "the old path of a moved file"
renamed_from, renamed_to = os.path.join(docs, "projects/alpha"), os.path.join(docs, "projects/omega")
os.rename(renamed_from, renamed_to)
for path in [p for p in model if p.startswith(renamed_from + "/")]:
    model[renamed_to + path[len(renamed_from):]] = model.pop(path)
    left[path] = "the old path of a file in a renamed folder"
write(docs, model, "notes/n9.txt", some(), now)
if with_zip:
    packed = os.path.join(docs, "pack.zip")
    left[packed + SEP + "m1.txt"] = "a zip member that lost the words"
    left[packed + SEP + "m3.txt"] = "a member removed from the zip"
    write_zip("pack.zip", [("m1.txt", m1, NEW_MEMBER), ("m2.html", members["m2.html"], OLD_MEMBER)], now)

index(docs, "--unpack")
check_everything("after the churn", edits)

# ---- A run whose start folder is gone (a removable disk taken away) changes nothing.
stick = os.path.join(tmp, "disk", "stick")
stick_model = {}
write(stick, stick_model, "s0.txt", ["copper", "meadow"], an_hour_ago)
write(stick, stick_model, "deep/s1.html", ["copper", "lantern"], an_hour_ago)
index(stick)
before = sorted(row.get("path") for row in rows_of("copper"))
if before != sorted(stick_model):
    fail("the removable disk's rows: %s, expected %s" % (before, sorted(stick_model)))
os.rename(os.path.join(tmp, "disk"), os.path.join(tmp, "disk-away"))


def archive_bytes():
    info = vedra_run("info").stdout.decode(errors="replace")
    folder = next(line.split(": ", 1)[1] for line in info.splitlines() if line.startswith("Archive folder: "))
    return {name: hashlib.sha256(open(os.path.join(folder, name), "rb").read()).hexdigest()
            for name in sorted(os.listdir(folder)) if not name.startswith(".")}


held = archive_bytes()
done = vedra_run("index", stick)
if done.returncode == 0:
    fail("a run from a start folder that is gone exited 0")
if archive_bytes() != held:
    fail("a run from a start folder that is gone changed the archive's files")
rows = rows_of("copper")
if sorted(row.get("path") for row in rows) != before:
    fail("after a run from a start folder that is gone, copper lists %s, expected %s"
         % (sorted(row.get("path") for row in rows), before))
for row in rows:
    if not row.get("stale") or row.get("staleReason") != "gone":
        fail("the row of %s on the disk taken away is not flagged gone: %s" % (row.get("path"), row))
check("after a run from a start folder that is gone", [edits[0][1]])

sys.exit(min(len(failures), 100))
PYTHON
rc=$?
[ $rc -eq 0 ] || failures=$((failures + rc))

if [ $failures -eq 0 ]; then echo "1 passed, 0 failed"; exit 0; fi
echo "0 passed, 1 failed ($failures checks)"; exit 1
