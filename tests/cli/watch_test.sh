#!/usr/bin/env bash
# The live index on a real tree. `vedra watch` runs while the tree changes as a
# user changes it: a file made, edited, truncated in place, deleted, moved to
# another folder, a folder moved in from outside, one moved out, one renamed with
# its files, a burst of thousands of new files, a change made while no watcher
# ran, a disk unmounted and mounted again (where the test may mount), and a
# flood past the watcher's pending limit. After each, once the batch
# is done, every word's search is compared with the words the files on disk hold
# now, read here. Also: one watcher per working folder, --status, --pause and
# --resume, and a manual run beside the watcher.
source "$(dirname "${BASH_SOURCE[0]}")/test_support.sh"

python=$(command -v python3) || { fail "python3 is missing (scripts/install-deps)"; exit 1; }
burst=10000
sanitized_build && burst=2000

"$python" - "$vedra" "$tmp" "$burst" <<'PYTHON'
import json, os, shutil, signal, subprocess, sys, time

vedra, tmp, burst = sys.argv[1], sys.argv[2], int(sys.argv[3])
work, docs, outside = (os.path.join(tmp, name) for name in ("work", "docs", "outside"))
state_path = os.path.join(work, "vedrawatch.state")
WORDS = "amber basket candle dolphin engine falcon garden harbor island jacket kettle lemon".split()
failures = []


def fail(text):
    failures.append(text)
    print("FAIL: " + text)


def vedra_run(*arguments, timeout=300):
    return subprocess.run([vedra, "--workdir", work, *arguments], capture_output=True, timeout=timeout)


def write(path, words):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as out:
        out.write(" ".join(words) + "\n")


def state():
    try:
        with open(state_path) as source:
            return dict(line.rstrip("\n").split("=", 1) for line in source if "=" in line)
    except OSError:
        return {}


def settled(before, what):
    """Waits until a batch after `before` has run and nothing is pending."""
    deadline = time.time() + 60
    while time.time() < deadline:
        now = state()
        if int(now.get("batches", 0)) > before and now.get("state") == "watching" and now.get("pending") == "0":
            time.sleep(0.4)  # past the quiet time: a change that came late has its batch
            again = state()
            if again.get("batches") == now.get("batches") and again.get("pending") == "0" and \
                    again.get("state") == "watching":
                return int(now["batches"])
        time.sleep(0.05)
    fail("%s: no batch ended within 60 s (state %s)" % (what, state()))
    return int(state().get("batches", 0))


def disk_words():
    """What the files on disk hold now: word -> set of paths."""
    found = {word: set() for word in WORDS}
    for folder, subfolders, files in os.walk(docs):
        subfolders[:] = [name for name in subfolders if not name.startswith(".")]
        for name in files:
            path = os.path.join(folder, name)
            with open(path, errors="replace") as source:
                for word in source.read().split():
                    if word in found:
                        found[word].add(path)
    return found


def mismatches(what):
    found = []
    for word, paths in disk_words().items():
        done = vedra_run("search", word, "--json")
        rows = {row["path"] for row in json.loads(done.stdout or b"[]")} if done.returncode == 0 else None
        if rows != paths:
            found.append("%s: '%s' finds %s, the disk holds it in %s" % (
                what, word, sorted(rows or []), sorted(paths)))
    return found


def check(what):
    for text in mismatches(what):
        fail(text)


def settled_and_checked(before, what):
    """settled(), then, while the archive and the disk differ, the next batches.
    A loaded machine may show a quiet moment before the watcher has read a
    change's events; a change it never runs still fails, after 60 s."""
    deadline = time.time() + 60
    batches = settled(before, what)
    found = mismatches(what)
    while found and time.time() < deadline:
        batches = settled(batches, what)
        found = mismatches(what)
    for text in found:
        fail(text)
    return batches


def start_watcher(*options):
    log = open(os.path.join(tmp, "watch.log"), "a")
    watcher = subprocess.Popen([vedra, "--workdir", work, "watch", "--quiet-ms", "100", *options],
                               stdout=log, stderr=log)
    deadline = time.time() + 60
    while time.time() < deadline and not (state().get("pid") == str(watcher.pid) and
                                          state().get("state") == "watching"):
        time.sleep(0.05)
    return watcher


def stop_watcher(watcher):
    watcher.send_signal(signal.SIGTERM)
    try:
        code = watcher.wait(timeout=60)
    except subprocess.TimeoutExpired:
        watcher.kill()
        code = None
    if code != 0:
        fail("the watcher ended with %s on SIGTERM" % code)
    if state().get("state") != "stopped":
        fail("the state after the end: %s" % state())


# A tree of a few folders, indexed once by hand.
for i, word in enumerate(WORDS[:8]):
    write(os.path.join(docs, "f%d" % (i % 3), "doc%d.txt" % i), [word, WORDS[(i + 4) % 12]])
write(os.path.join(outside, "incoming", "deep", "in.txt"), ["harbor", "island"])
os.makedirs(work)
if vedra_run("create", "live").returncode != 0 or vedra_run("index", docs).returncode != 0:
    fail("create and index")
    sys.exit(1)
check("after the first run")

watcher = start_watcher()
batches = int(state().get("batches", 0))
done = vedra_run("watch", "--status")
if done.returncode != 0 or b"State: watching" not in done.stdout or b"Watched folders: 4" not in done.stdout:
    fail("--status: %d %s" % (done.returncode, done.stdout.decode()))
second = vedra_run("watch", timeout=30)
if second.returncode != 1 or b"a watcher runs already" not in second.stderr:
    fail("a second watcher: %d %s" % (second.returncode, second.stderr.decode()))

steps = [
    ("a file made", lambda: write(os.path.join(docs, "f0", "new.txt"), ["kettle", "lemon"])),
    ("a file edited", lambda: write(os.path.join(docs, "f1", "doc1.txt"), ["jacket"])),
    ("a file truncated in place", lambda: os.truncate(os.path.join(docs, "f2", "doc2.txt"), 0)),
    ("a file deleted", lambda: os.remove(os.path.join(docs, "f0", "doc3.txt"))),
    ("a file moved to another folder",
     lambda: os.rename(os.path.join(docs, "f1", "doc4.txt"), os.path.join(docs, "f2", "doc4.txt"))),
    ("a folder moved in from outside",
     lambda: os.rename(os.path.join(outside, "incoming"), os.path.join(docs, "incoming"))),
    ("a folder moved out", lambda: os.rename(os.path.join(docs, "f0"), os.path.join(outside, "f0"))),
    ("a folder renamed with its files",
     lambda: os.rename(os.path.join(docs, "incoming"), os.path.join(docs, "arrived"))),
    ("a file changed inside the renamed folder",
     lambda: write(os.path.join(docs, "arrived", "deep", "in.txt"), ["garden"])),
]
for what, change in steps:
    change()
    batches = settled_and_checked(batches, what)

# A burst of new files in a new folder.
started = time.time()
flood = os.path.join(docs, "burst")
os.makedirs(flood)
for i in range(burst):
    with open(os.path.join(flood, "b%05d.txt" % i), "w") as out:
        out.write("burstword%d %s\n" % (i % 7, WORDS[i % 12]))
# Written last: a batch that found it listed the whole burst. A loaded machine may
# show "nothing pending" between two batches of the burst, before the watcher has
# read the rest of its events; the quiet wait alone cannot tell.
write(os.path.join(flood, "last.txt"), ["burstlast"])
deadline = time.time() + 60
batches = settled(batches, "a burst of %d files" % burst)
while b'"count": 1' not in vedra_run("search", "burstlast", "--count", "--json").stdout and time.time() < deadline:
    batches = settled(batches, "a burst of %d files" % burst)
counted = vedra_run("search", "burstword3", "--count", "--json")
expected = len(range(3, burst, 7))
if counted.returncode != 0 or json.loads(counted.stdout).get("count") != expected:
    fail("after the burst: burstword3 finds %s, the disk holds %d" % (counted.stdout[:80], expected))
check("a burst of %d files" % burst)
print("note: the burst of %d files was found %.1f s after its first file" % (burst, time.time() - started))
shutil.rmtree(flood)
batches = settled_and_checked(batches, "the burst deleted")

# Paused, changes wait; resumed, they run.
if vedra_run("watch", "--pause").returncode != 0:
    fail("--pause")
write(os.path.join(docs, "f1", "paused.txt"), ["falcon"])
time.sleep(0.6)
if state().get("state") != "paused" or int(state().get("batches", 0)) != batches:
    fail("a batch ran while paused: %s" % state())
if vedra_run("watch", "--resume").returncode != 0:
    fail("--resume")
batches = settled_and_checked(batches, "resumed after a pause")

# A manual run beside the watcher: each waits for the other, both end well.
write(os.path.join(docs, "f2", "manual.txt"), ["candle"])
manual = vedra_run("index", docs)
if manual.returncode != 0:
    fail("a manual run beside the watcher: %d %s" % (manual.returncode, manual.stderr.decode()))
batches = settled_and_checked(batches, "beside a manual run")

# A disk mounted in the tree (as root, where mounting is allowed): unmounted, its
# files are left as the archive knew them; mounted again, what it holds is read.
disk = os.path.join(docs, "disk")
os.makedirs(disk)
if subprocess.run(["mount", "-t", "tmpfs", "vedratest", disk], capture_output=True).returncode == 0:
    try:
        write(os.path.join(disk, "on-disk.txt"), ["quartz", "island"])
        batches = settled(batches, "a file on a mounted disk")
        subprocess.run(["umount", disk], check=True)
        time.sleep(0.6)
        rows = json.loads(vedra_run("search", "island", "--json").stdout or b"[]")
        if os.path.join(disk, "on-disk.txt") not in {row["path"] for row in rows}:
            fail("the files of an unmounted disk left the archive")
        subprocess.run(["mount", "-t", "tmpfs", "vedratest", disk], check=True)
        write(os.path.join(disk, "again.txt"), ["island"])
        batches = settled_and_checked(batches, "a disk mounted again")
    finally:
        subprocess.run(["umount", disk], capture_output=True)
else:
    print("note: tmpfs cannot be mounted here: the unmounted-disk part is left out")
stop_watcher(watcher)

# Changed while no watcher ran: the next one reads the trees first.
write(os.path.join(docs, "f1", "offline.txt"), ["dolphin"])
os.remove(os.path.join(docs, "f2", "doc4.txt"))
watcher = start_watcher()
check("changes made while no watcher ran")

# More changed folders at once than the watcher keeps: it reads everything again.
stop_watcher(watcher)
for i in range(6):
    os.makedirs(os.path.join(docs, "many", "m%d" % i))
watcher = start_watcher("--pending-limit", "2")
batches = int(state().get("batches", 0))
for i in range(6):
    write(os.path.join(docs, "many", "m%d" % i, "x.txt"), [WORDS[i], "engine"])
    write(os.path.join(docs, "f1", "n%d.txt" % i), ["basket"])
batches = settled_and_checked(batches, "a flood past the pending limit")
stop_watcher(watcher)
with open(os.path.join(tmp, "watch.log")) as log:
    text = log.read()
if "events were lost" not in text:
    fail("the flood was not reported as lost events: %s" % text[-400:])

sys.exit(1 if failures else 0)
PYTHON
status=$?
[ $status -eq 0 ] || fail "the live index did not follow the disk (see above)"
exit $failures
