#!/usr/bin/python3
# The live index measured: how soon a file's new words are found after the file is closed, what
# the watcher costs while nothing changes, and its memory and start time over 100,000 folders;
# `vedra watch` beside `recollindex -m` (Debian package recoll, installed with apt-get when
# missing: that needs root) on the same trees, in the same run.
#
#   /usr/bin/python3 bench/watch/watch-bench.py --vedra build/src/cli/vedra --report watch.md
#
# The trees. A text tree of --files files (default 3,000; 150 to 1,200 words each, drawn with
# a seed from the texts of /usr/share/common-licenses) in 229 folders, made twice, byte for
# byte: vedra watches one copy and recollindex the other, so that neither sees the other's
# edits. A folder tree of --folders folders (default 100,000: 100 folders of 999 each, a short
# text file in every tenth of these).
#
# The set-ups. vedra: `vedra --workdir WORK/vedra/vedraprog create bench`, `index TREE`, then
# `vedra watch` with its defaults (it runs at nice 19 in the idle I/O class by itself).
# recollindex: a RECOLL_CONFDIR of its own holding "topdirs = TREE" and "noaspell = 1" (no
# spelling dictionary, whose build needs aspell), `recollindex -c CONF` once, then
# `recollindex -c CONF -m -D -x -w 0`: the real-time monitor in the foreground, not tied to an
# X session, with no delay before its start (its default waits 60 s). Its other settings are
# its defaults (nice 19, idle I/O class), monixinterval among them, by its documentation the
# least time between two processings of its queue of changes: 30 s. That is measured
# ("recoll"), and so is monixinterval = 1 ("recoll-1s"), the closest recollindex comes to
# vedra's 0.3 s of quiet before a batch.
#
# Latency. An edit writes a new word (nine letters, drawn with the seed, found in no file) into
# a file and closes it: half of them append a line to a file of the tree, half write a new file
# of a few lines into a folder of the tree. The time runs from the close until a search lists
# the file: `vedra --workdir W search WORD` or `recollq -c CONF -b WORD`, run again 20 ms after
# each search that did not list it. A search's own run time is part of the figure (the median
# search time is given beside it). Spaced: each edit waits until the previous one was found,
# then 0.2 s. Quick succession (--burst edits, 20 ms apart, each in a file of its own): one
# search for every word not yet found (`vedra search W... --or`, `recollq -b -o W...`), run
# again 20 ms after each; a file listed is the edit found. A warm-up edit, not counted, checks
# the chain before each measure. An edit not found within --timeout seconds is a miss, named in
# the report. Percentiles are nearest-rank (the 99th of 200 is the 198th).
#
# Idle. Both daemons watch their text tree for --idle seconds (default 600) while nothing
# changes in it: utime+stime (and the children's) from /proc/PID/stat at the start and the end.
# Their trees lie apart from everything else the run writes; the folder trees are made and
# watched during that time (the idle figures are the processes' own CPU time, which other work
# does not add to; the load is reported).
#
# Folders. Each tool in turn (the two could not hold 2 x 100,000 watches under the usual
# fs.inotify.max_user_watches): index the folder tree, start the watcher, and time until it
# holds a watch on every folder and its start-up work is done (vedra: its state file says
# "watching" after the first batch, which reads the trees for changes made while no watcher
# ran; recollindex: it has run its first pass and started again with -n, as it does, and its
# inotify descriptor holds every watch); then VmRSS, VmHWM and the peak VmRSS seen every
# 0.25 s during the start (recollindex starts again after its first pass, which resets VmHWM),
# and the CPU time of --folder-idle seconds (default 60) of quiet. Then, run as root (not with
# --no-mount), each watcher of the folder tree is started again, alone, and a tmpfs is mounted on
# WORK/mnt and unmounted three times: the watcher's CPU time over the 8.5 s after each pair.
# vedra watch reads the trees again for folders without a watch whenever the mount table changes.
#
# Options: --work DIR (a new folder; default a fresh one under /tmp, removed at the end unless
# --keep), --files N, --folders N, --edits N (spaced vedra and recoll-1s edits, default 200),
# --recoll-edits N (spaced edits for recoll at its defaults, default 5: each takes 30 s),
# --burst N (default 100), --idle S, --folder-idle S, --timeout S (default 120), --seed N,
# --no-recoll, --no-mount, --json FILE (every sample and every edit: file, new or not, latency),
# --report FILE (the Markdown tables, also printed).
import argparse
import json
import math
import os
import platform
import random
import re
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time

sys.dont_write_bytecode = True

CLOCK_TICKS = os.sysconf("SC_CLK_TCK")
POLL_PAUSE = 0.02
SPACED_PAUSE = 0.2
BURST_INTERVAL = 0.02
EDIT_PREFIXES = ("pro", "con", "tra", "man", "car", "sta", "per", "com")
TEXT_FOLDERS = [("d%02d" % a, "s%d" % b, "t%d" % c) for a in range(12) for b in range(6) for c in range(2)]


def say(text):
    print("watch-bench: " + text, file=sys.stderr, flush=True)


# --------------------------------------------------------------------------------------------
# /proc
# --------------------------------------------------------------------------------------------


def proc_stat(pid):
    """utime+stime and cutime+cstime of `pid`, in seconds."""
    with open("/proc/%d/stat" % pid) as handle:
        fields = handle.read().rsplit(")", 1)[1].split()
    own = (int(fields[11]) + int(fields[12])) / CLOCK_TICKS
    children = (int(fields[13]) + int(fields[14])) / CLOCK_TICKS
    return own, children


def proc_memory(pid):
    """VmRSS and VmHWM in kB."""
    found = {}
    with open("/proc/%d/status" % pid) as handle:
        for line in handle:
            if line.startswith(("VmRSS:", "VmHWM:")):
                found[line.split(":")[0]] = int(line.split()[1])
    return found.get("VmRSS", 0), found.get("VmHWM", 0)


def inotify_watches(pid):
    """Watches held by the inotify descriptors of `pid`."""
    count = 0
    try:
        fds = os.listdir("/proc/%d/fd" % pid)
    except OSError:
        return 0
    for fd in fds:
        try:
            if os.readlink("/proc/%d/fd/%s" % (pid, fd)) != "anon_inode:inotify":
                continue
            with open("/proc/%d/fdinfo/%s" % (pid, fd), "rb") as handle:
                count += handle.read().count(b"\ninotify wd:") + 0
        except OSError:
            continue
    return count


def watches_in_use():
    """inotify watches held now by the processes of this user (they share the limit)."""
    uid, total = os.getuid(), 0
    for name in os.listdir("/proc"):
        if name.isdigit():
            try:
                if os.stat("/proc/" + name).st_uid == uid:
                    total += inotify_watches(int(name))
            except OSError:
                pass
    return total


def cmdline(pid):
    try:
        with open("/proc/%d/cmdline" % pid, "rb") as handle:
            return handle.read().split(b"\0")
    except OSError:
        return []


def machine_busy():
    with open("/proc/stat") as handle:
        fields = [int(v) for v in handle.readline().split()[1:]]
    idle = fields[3] + fields[4]
    return sum(fields[:8]) - idle, sum(fields[:8])


class LoadLog:
    """The 1-minute load average and the share of the machine's CPU in use, every 5 s."""

    def __init__(self):
        self.samples = []
        self.stopped = threading.Event()
        self.thread = threading.Thread(target=self.run, daemon=True)
        self.thread.start()

    def run(self):
        while True:
            with open("/proc/loadavg") as handle:
                load = float(handle.read().split()[0])
            self.samples.append((time.monotonic(), load, machine_busy()))
            if self.stopped.wait(5):
                return

    def window(self, start, end):
        """Load range of the samples within 5 s of [start, end]; CPU busy from the samples around it."""
        samples = list(self.samples)
        loads = [s[1] for s in samples if start - 5 <= s[0] <= end + 5] or [samples[-1][1]]
        before = [s for s in samples if s[0] <= start] or samples[:1]
        after = [s for s in samples if s[0] >= end]
        first = before[-1][2]
        last = after[0][2] if after else machine_busy()
        busy = 100.0 * (last[0] - first[0]) / (last[1] - first[1]) if last[1] > first[1] else float("nan")
        return {"load_min": min(loads), "load_max": max(loads), "busy_percent": busy}


# --------------------------------------------------------------------------------------------
# The trees and the edits
# --------------------------------------------------------------------------------------------


def vocabulary():
    words = set()
    folder = "/usr/share/common-licenses"
    for name in sorted(os.listdir(folder)):
        path = os.path.join(folder, name)
        if os.path.isfile(path):
            with open(path, encoding="utf-8", errors="replace") as handle:
                words.update(w.lower() for w in re.findall(r"[A-Za-z]{3,12}", handle.read()))
    return sorted(words)


def text_of(rng, vocab, count):
    lines, line = [], []
    for _ in range(count):
        line.append(rng.choice(vocab))
        if len(line) >= 12:
            lines.append(" ".join(line))
            line = []
    lines.append(" ".join(line))
    return "\n".join(lines) + "\n"


def make_text_tree(root, files, seed, vocab):
    rng = random.Random(seed)
    folders = sorted({os.path.join(*parts[:depth]) for parts in TEXT_FOLDERS for depth in (1, 2, 3)})
    for folder in folders:
        os.makedirs(os.path.join(root, folder), exist_ok=True)
    paths = []
    for number in range(files):
        path = os.path.join(root, rng.choice(folders), "doc%04d.txt" % number)
        with open(path, "w") as handle:
            handle.write(text_of(rng, vocab, rng.randint(150, 1200)))
        paths.append(path)
    return [os.path.join(root, f) for f in folders], paths


def make_folder_tree(root, folders, seed, vocab):
    """`folders` folders below `root`: groups of up to 1,000 (a folder and 999 below it)."""
    rng = random.Random(seed)
    made = 0
    os.makedirs(root)
    group = 0
    while made < folders:
        top = os.path.join(root, "g%03d" % group)
        os.mkdir(top)
        made += 1
        for number in range(min(999, folders - made)):
            leaf = os.path.join(top, "f%03d" % number)
            os.mkdir(leaf)
            made += 1
            if number % 10 == 0:
                with open(os.path.join(leaf, "note.txt"), "w") as handle:
                    handle.write(text_of(rng, vocab, 40))
        group += 1
    return made


class Edits:
    """New words and the files they go into, the same for every tool given the same seed."""

    def __init__(self, seed, vocab, folders, files):
        self.rng = random.Random(seed)
        self.taken = set(vocab)
        self.folders = folders
        self.files = list(files)
        self.new_files = 0

    def word(self):
        while True:
            word = self.rng.choice(EDIT_PREFIXES) + "".join(self.rng.choice("abcdefghijklmnopqrstuvwxyz")
                                                            for _ in range(6))
            if word not in self.taken:
                self.taken.add(word)
                return word

    def target(self, used=None):
        """(path, new): an existing file (none of `used`) or a new one, half and half."""
        while True:
            if self.rng.random() < 0.5:
                path = self.rng.choice(self.files)
                if used is None or path not in used:
                    return path, False
            else:
                self.new_files += 1
                path = os.path.join(self.rng.choice(self.folders), "new%04d.txt" % self.new_files)
                return path, True

    def apply(self, path, new, word):
        """Writes `word` into `path` and closes it; the time of the close."""
        if new:
            with open(path, "w") as handle:
                handle.write("a note written while the watcher runs\n%s\n" % word)
            self.files.append(path)
        else:
            with open(path, "a") as handle:
                handle.write("%s\n" % word)
        return time.monotonic()


def percentile(values, share):
    ordered = sorted(values)
    return ordered[max(0, math.ceil(share * len(ordered)) - 1)]


def summary(values):
    if not values:
        return {"count": 0}
    return {"count": len(values), "min": min(values), "median": statistics.median(values),
            "p90": percentile(values, 0.90), "p99": percentile(values, 0.99), "max": max(values)}


# --------------------------------------------------------------------------------------------
# The tools
# --------------------------------------------------------------------------------------------


class Daemon:
    name = ""

    def __init__(self, log_path):
        self.log_path = log_path
        self.process = None
        self.search_times = []
        self.search_failures = []

    @property
    def pid(self):
        return self.process.pid

    def launch(self, command):
        self.log = open(self.log_path, "ab")
        self.process = subprocess.Popen(command, stdout=self.log, stderr=subprocess.STDOUT)

    def alive(self):
        return self.process is not None and self.process.poll() is None

    def stop(self):
        if not self.alive():
            return
        self.process.send_signal(signal.SIGTERM)
        try:
            self.process.wait(60)
        except subprocess.TimeoutExpired:
            say("%s did not end within 60 s of SIGTERM: killed" % self.name)
            self.process.kill()
            self.process.wait()
        self.log.close()

    def search(self, words):
        """The paths listed for any of `words` (one search process); its run time is recorded."""
        started = time.monotonic()
        done = subprocess.run(self.search_command(words), capture_output=True)
        ended = time.monotonic()
        self.search_times.append(ended - started)
        if done.returncode != 0:
            self.search_failures.append((done.returncode, done.stderr.decode(errors="replace")[-300:]))
        return self.listed(done.stdout.decode(errors="replace")), ended


class Vedra(Daemon):
    name = "vedra"

    def __init__(self, program, work, tree):
        super().__init__(os.path.join(work, "vedra-watch.log"))
        self.program = program
        self.workdir = os.path.join(work, "vedraprog")
        self.tree = tree

    def run(self, *arguments):
        done = subprocess.run([self.program, "--workdir", self.workdir, *arguments], capture_output=True, text=True)
        if done.returncode != 0:
            raise RuntimeError("vedra %s failed (%d): %s" % (" ".join(arguments), done.returncode,
                                                            (done.stdout + done.stderr)[-500:]))
        return done.stdout

    def index(self):
        os.makedirs(self.workdir)
        self.run("create", "bench")
        started = time.monotonic()
        self.run("index", self.tree)
        return time.monotonic() - started

    def start(self):
        self.launch([self.program, "--workdir", self.workdir, "watch"])

    def state(self):
        values = {}
        try:
            with open(os.path.join(self.workdir, "vedrawatch.state")) as handle:
                for line in handle:
                    key, _, value = line.rstrip("\n").partition("=")
                    values[key] = value
        except OSError:
            pass
        return values

    def ready(self):
        state = self.state()
        return state.get("pid") == str(self.pid) and state.get("state") == "watching" and \
            int(state.get("batches") or 0) >= 1

    def search_command(self, words):
        return [self.program, "--workdir", self.workdir, "search", *words] + (["--or"] if len(words) > 1 else [])

    @staticmethod
    def listed(output):
        return {line.split("\t", 1)[0] for line in output.splitlines() if "\t" in line}


class Recoll(Daemon):
    def __init__(self, work, tree, name, settings):
        super().__init__(os.path.join(work, name + "-monitor.log"))
        self.name = name
        self.conf = os.path.join(work, "recoll-conf")
        self.tree = tree
        self.settings = settings

    def configure(self):
        os.makedirs(self.conf, exist_ok=True)
        with open(os.path.join(self.conf, "recoll.conf"), "w") as handle:
            handle.write("topdirs = %s\nnoaspell = 1\n" % self.tree)
            for key, value in self.settings.items():
                handle.write("%s = %s\n" % (key, value))

    def index(self):
        self.configure()
        started = time.monotonic()
        with open(os.path.join(self.conf, "..", self.name + "-index.log"), "wb") as log:
            subprocess.run(["recollindex", "-c", self.conf], stdout=log, stderr=subprocess.STDOUT, check=True)
        return time.monotonic() - started

    def start(self):
        self.configure()
        self.launch(["recollindex", "-c", self.conf, "-m", "-D", "-x", "-w", "0"])

    def ready(self):
        # After its first pass the monitor starts itself again with -n, then sets its watches.
        return b"-n" in cmdline(self.pid) and inotify_watches(self.pid) >= self.folders

    def search_command(self, words):
        return ["recollq", "-c", self.conf, "-b"] + (["-o"] if len(words) > 1 else []) + list(words)

    @staticmethod
    def listed(output):
        return {line[len("file://"):] for line in output.splitlines() if line.startswith("file://")}


def start_daemon(daemon, folders, timeout):
    """Starts `daemon` and waits until it watches `folders` folders and is done starting."""
    daemon.folders = folders
    peak = 0
    started = time.monotonic()
    daemon.start()
    watches_at = None
    while True:
        if not daemon.alive():
            raise RuntimeError("%s ended while starting (exit %s); see %s" % (daemon.name, daemon.process.returncode,
                                                                              daemon.log_path))
        try:
            peak = max(peak, proc_memory(daemon.pid)[0])
        except OSError:
            pass
        if watches_at is None and inotify_watches(daemon.pid) >= folders:
            watches_at = time.monotonic() - started
        if daemon.ready():
            break
        if time.monotonic() - started > timeout:
            raise RuntimeError("%s not ready after %d s; see %s" % (daemon.name, timeout, daemon.log_path))
        time.sleep(0.25)
    elapsed = time.monotonic() - started
    rss, hwm = proc_memory(daemon.pid)
    own, children = proc_stat(daemon.pid)
    return {"seconds": elapsed, "watches_seconds": watches_at if watches_at is not None else elapsed,
            "watches": inotify_watches(daemon.pid), "rss_kb": rss, "hwm_kb": hwm, "peak_rss_kb": max(peak, rss),
            "cpu_seconds": own + children}


# --------------------------------------------------------------------------------------------
# The measures
# --------------------------------------------------------------------------------------------


def wait_found(daemon, word, path, closed, timeout):
    while True:
        listed, ended = daemon.search([word])
        if path in listed:
            return ended - closed
        if ended - closed > timeout:
            return None
        time.sleep(POLL_PAUSE)


def spaced(daemon, edits, count, timeout, label):
    latencies, misses, searches_before, records = [], [], len(daemon.search_times), []
    path, new = edits.target()
    word = edits.word()
    if wait_found(daemon, word, path, edits.apply(path, new, word), timeout) is None:
        raise RuntimeError("%s: the warm-up edit (%s into %s) was not found in %d s" % (daemon.name, word, path,
                                                                                     timeout))
    time.sleep(SPACED_PAUSE)
    started = time.monotonic()
    for number in range(count):
        path, new = edits.target()
        word = edits.word()
        latency = wait_found(daemon, word, path, edits.apply(path, new, word), timeout)
        records.append({"path": path, "new": new, "word": word, "latency": latency})
        if latency is None:
            misses.append({"edit": number, "word": word, "path": path, "new": new})
            say("%s: MISSED edit %d: %s into %s not found in %d s" % (daemon.name, number, word, path, timeout))
        else:
            latencies.append(latency)
        if (number + 1) % 50 == 0:
            say("%s %s: %d edits, median so far %.3f s" % (daemon.name, label, number + 1,
                                                             statistics.median(latencies or [0])))
        time.sleep(SPACED_PAUSE)
    return {"latencies": latencies, "misses": misses, "started": started, "ended": time.monotonic(),
            "searches": daemon.search_times[searches_before:], "edits": records}


def burst(daemon, edits, count, timeout):
    # The warm-up of the spaced measure went before; targets are chosen first, so the writer
    # only writes.
    used, planned = set(), []
    for _ in range(count):
        path, new = edits.target(used)
        used.add(path)
        planned.append((path, new, edits.word()))
    written = []  # (path, word, close time), appended by the writer
    lock = threading.Lock()

    def writer():
        for path, new, word in planned:
            closed = edits.apply(path, new, word)
            with lock:
                written.append((path, word, closed))
            time.sleep(BURST_INTERVAL)

    searches_before = len(daemon.search_times)
    started = time.monotonic()
    thread = threading.Thread(target=writer)
    thread.start()
    found = {}
    while len(found) < count:
        with lock:
            pending = [w for w in written if w[0] not in found]
        if not pending:
            time.sleep(POLL_PAUSE)
            continue
        if time.monotonic() - max(w[2] for w in written) > timeout:
            break
        listed, ended = daemon.search([w[1] for w in pending])
        for path, word, closed in pending:
            if path in listed:
                found[path] = ended - closed
        time.sleep(POLL_PAUSE)
    thread.join()
    misses = [{"word": word, "path": path} for path, word, _ in written if path not in found]
    records = [{"path": path, "new": new, "word": word, "latency": found.get(path)} for path, new, word in planned]
    for miss in misses:
        say("%s: MISSED burst edit: %s into %s" % (daemon.name, miss["word"], miss["path"]))
    return {"latencies": list(found.values()), "misses": misses, "started": started, "ended": time.monotonic(),
            "write_seconds": written[-1][2] - written[0][2], "searches": daemon.search_times[searches_before:],
            "edits": records}


def mount_probe(daemon, mount_point, rounds=3, settle=8.0):
    """The daemon's CPU seconds for each mount and unmount of a file system outside its trees."""
    costs = []
    os.makedirs(mount_point, exist_ok=True)
    for _ in range(rounds):
        before = proc_stat(daemon.pid)[0]
        subprocess.run(["mount", "-t", "tmpfs", "watch-bench", mount_point], check=True)
        try:
            time.sleep(0.5)
        finally:
            subprocess.run(["umount", mount_point], check=True)
        time.sleep(settle)
        costs.append(proc_stat(daemon.pid)[0] - before)
    return costs


def idle_sample(pid):
    own, children = proc_stat(pid)
    rss, hwm = proc_memory(pid)
    return {"time": time.monotonic(), "cpu": own, "children_cpu": children, "rss_kb": rss, "hwm_kb": hwm}


def idle_result(before, after):
    wall = after["time"] - before["time"]
    cpu = after["cpu"] - before["cpu"]
    return {"seconds": wall, "cpu_seconds": cpu, "children_cpu_seconds": after["children_cpu"] - before["children_cpu"],
            "percent_of_core": 100.0 * cpu / wall, "rss_kb_before": before["rss_kb"], "rss_kb_after": after["rss_kb"],
            "hwm_kb_after": after["hwm_kb"]}


# --------------------------------------------------------------------------------------------
# The report
# --------------------------------------------------------------------------------------------


def ms(value):
    return "%.0f" % (1000 * value)


def report(results):
    lines = []
    add = lines.append
    meta = results["machine"]
    add("Machine: %s, %s cores, Linux %s; fs.inotify.max_user_watches %s; vedra %s; %s." % (
        meta["cpu"], meta["cores"], meta["kernel"], meta["max_user_watches"], meta["vedra"], meta["recoll"]))
    add("Text tree: %d files in %d folders (%.1f MB); indexed by vedra in %.1f s%s." % (
        results["text_tree"]["files"], results["text_tree"]["folders"], results["text_tree"]["bytes"] / 1e6,
        results["index_seconds"]["vedra"],
        ", by recollindex in %.1f s" % results["index_seconds"]["recoll"] if "recoll" in results["index_seconds"] else ""))
    add("")
    add("Latency from the close to the file listed by a search (ms; the search's own run time included):")
    add("")
    add("| tool | mode | edits | missed | median | p90 | p99 | max | median search | load (1 min) | CPU busy |")
    add("|---|---|---:|---:|---:|---:|---:|---:|---:|---|---:|")
    for entry in results["latency"]:
        s, load = summary(entry["latencies"]), entry["load"]
        if not s["count"]:
            continue
        add("| %s | %s | %d | %d | %s | %s | %s | %s | %s | %.1f-%.1f | %.0f%% |" % (
            entry["tool"], entry["mode"], s["count"] + len(entry["misses"]), len(entry["misses"]), ms(s["median"]),
            ms(s["p90"]), ms(s["p99"]), ms(s["max"]), ms(statistics.median(entry["searches"])), load["load_min"],
            load["load_max"], load["busy_percent"]))
    add("")
    add("Start on the text tree (s until every folder is watched / until ready) and memory:")
    add("")
    add("| tool | watches | watched after s | ready after s | CPU s | VmRSS MB | VmHWM MB | peak VmRSS MB |")
    add("|---|---:|---:|---:|---:|---:|---:|---:|")
    for tool, start in results["text_start"].items():
        add("| %s | %d | %.2f | %.2f | %.2f | %.1f | %.1f | %.1f |" % (
            tool, start["watches"], start["watches_seconds"], start["seconds"], start["cpu_seconds"],
            start["rss_kb"] / 1024, start["hwm_kb"] / 1024, start["peak_rss_kb"] / 1024))
    add("")
    add("vedra's memory through the run (VmRSS / VmHWM MB): " + ", ".join(
        "%s %.1f / %.1f" % (label, rss / 1024, hwm / 1024) for label, rss, hwm in results["vedra_memory"]) + ".")
    add("")
    idle = results.get("idle", {})
    if idle:
        add("Idle on the text tree, nothing changing (%.0f s):" % next(iter(idle.values()))["seconds"])
        add("")
        add("| tool | CPU s | % of one core | children CPU s | VmRSS MB start / end | VmHWM MB |")
        add("|---|---:|---:|---:|---|---:|")
        for tool, entry in idle.items():
            add("| %s | %.2f | %.4f%% | %.2f | %.1f / %.1f | %.1f |" % (
                tool, entry["cpu_seconds"], entry["percent_of_core"], entry["children_cpu_seconds"],
                entry["rss_kb_before"] / 1024, entry["rss_kb_after"] / 1024, entry["hwm_kb_after"] / 1024))
        add("")
    folders = results.get("folders", {})
    if folders:
        add("%d folders (%d files): index, start, memory, idle:" % (results["folder_tree"]["folders"],
                                                                    results["folder_tree"]["files"]))
        add("")
        add("| tool | index s | watches | watched after s | ready after s | start CPU s | VmRSS MB | VmHWM MB | "
            "peak VmRSS MB | idle CPU s / s | % of one core |")
        add("|---|---:|---:|---:|---:|---:|---:|---:|---:|---|---:|")
        for tool, entry in folders.items():
            start, quiet = entry["start"], entry["idle"]
            add("| %s | %.1f | %d | %.1f | %.1f | %.1f | %.1f | %.1f | %.1f | %.2f / %.0f | %.4f%% |" % (
                tool, entry["index_seconds"], start["watches"], start["watches_seconds"], start["seconds"],
                start["cpu_seconds"], start["rss_kb"] / 1024, start["hwm_kb"] / 1024, start["peak_rss_kb"] / 1024,
                quiet["cpu_seconds"], quiet["seconds"], quiet["percent_of_core"]))
        add("")
    if results.get("mount"):
        add("A tmpfs mounted and unmounted outside the trees while watching the %d folders, CPU s of the watcher "
            "for each mount and unmount: %s." % (results["folder_tree"]["folders"], "; ".join(
                "%s %s" % (tool, ", ".join("%.2f" % c for c in costs)) for tool, costs in results["mount"].items())))
        add("")
    for name, failures in results["search_failures"].items():
        if failures:
            add("%s: %d searches failed; the first: %s" % (name, len(failures), failures[0]))
    for entry in results["latency"]:
        for miss in entry["misses"]:
            add("MISSED (%s, %s): %s" % (entry["tool"], entry["mode"], miss))
    for note in results["notes"]:
        add(note)
    add("Whole run: %.1f min, load (1 min) %.1f-%.1f, CPU busy %.0f%%." % (
        results["wall_seconds"] / 60, results["load"]["load_min"], results["load"]["load_max"],
        results["load"]["busy_percent"]))
    return "\n".join(lines) + "\n"


# --------------------------------------------------------------------------------------------


def apt_install(package):
    status = subprocess.run(["dpkg-query", "-W", "-f=${Status}", package], capture_output=True, text=True)
    if status.stdout == "install ok installed":
        return
    say("installing %s" % package)
    sudo = [] if os.getuid() == 0 else ["sudo"]
    environment = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    subprocess.run(sudo + ["apt-get", "update", "-qq"], check=True, env=environment)
    subprocess.run(sudo + ["apt-get", "install", "-y", "-qq", "--no-install-recommends", package], check=True,
                   env=environment, stdout=subprocess.DEVNULL)


def machine(program, recoll):
    cpu = "unknown CPU"
    with open("/proc/cpuinfo") as handle:
        for line in handle:
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
    with open("/proc/sys/fs/inotify/max_user_watches") as handle:
        limit = int(handle.read())
    source = os.path.dirname(os.path.abspath(__file__))
    commit = subprocess.run(["git", "-C", source, "rev-parse", "--short", "HEAD"], capture_output=True, text=True)
    built = time.strftime("%Y-%m-%d %H:%M", time.localtime(os.path.getmtime(program)))
    version = "not run"
    if recoll:
        done = subprocess.run(["dpkg-query", "-W", "-f=${Version}", "recoll"], capture_output=True, text=True)
        version = "recoll " + done.stdout
    return {"cpu": cpu, "cores": os.cpu_count(), "kernel": platform.release(), "max_user_watches": limit,
            "vedra": "%s (built %s; this script at %s)" % (program, built, commit.stdout.strip() or "?"), "recoll": version}


def vedra_memory_point(results, vedra, label):
    rss, hwm = proc_memory(vedra.pid)
    results["vedra_memory"].append((label, rss, hwm))


def main():
    parser = argparse.ArgumentParser(description="Latency, idle cost and memory of the live index.")
    parser.add_argument("--vedra", required=True)
    parser.add_argument("--work", help="a new folder for the trees, the working folders and the logs")
    parser.add_argument("--keep", action="store_true", help="keep the work folder")
    parser.add_argument("--report", help="write the Markdown report here too")
    parser.add_argument("--json", help="write every measure here")
    parser.add_argument("--files", type=int, default=3000)
    parser.add_argument("--folders", type=int, default=100000)
    parser.add_argument("--edits", type=int, default=200)
    parser.add_argument("--recoll-edits", type=int, default=5)
    parser.add_argument("--burst", type=int, default=100)
    parser.add_argument("--idle", type=float, default=600)
    parser.add_argument("--folder-idle", type=float, default=60)
    parser.add_argument("--timeout", type=float, default=120)
    parser.add_argument("--seed", type=int, default=2026)
    parser.add_argument("--no-recoll", action="store_true")
    parser.add_argument("--no-mount", action="store_true", help="no mount and unmount (they need root)")
    options = parser.parse_args()

    program = os.path.abspath(options.vedra)
    if not os.access(program, os.X_OK):
        sys.exit("watch-bench: %s is not a program" % program)
    use_recoll = not options.no_recoll
    options.mount_probe = not options.no_mount and os.getuid() == 0
    if use_recoll:
        apt_install("recoll")
    work = os.path.abspath(options.work) if options.work else tempfile.mkdtemp(prefix="vedra-watch-bench-")
    if os.path.exists(work) and os.listdir(work):
        sys.exit("watch-bench: %s is not empty; give a new folder with --work" % work)
    os.makedirs(work, exist_ok=True)

    loads = LoadLog()
    run_started = time.monotonic()
    results = {"machine": machine(program, use_recoll), "latency": [], "text_start": {}, "vedra_memory": [],
               "index_seconds": {}, "notes": [], "search_failures": {}}
    vocab = vocabulary()
    daemons = []
    try:
        # --- the text trees, one per tool ---
        trees = {"vedra": os.path.join(work, "tree-vedra"), "recoll": os.path.join(work, "tree-recoll")}
        for tool, tree in trees.items():
            if tool == "recoll" and not use_recoll:
                continue
            folders, files = make_text_tree(tree, options.files, options.seed, vocab)
        text_bytes = sum(os.path.getsize(p) for p in files)
        results["text_tree"] = {"files": len(files), "folders": len(folders) + 1, "bytes": text_bytes}
        text_folders = len(folders) + 1
        say("text trees made: %d files in %d folders each" % (len(files), text_folders))

        vedra = Vedra(program, os.path.join(work, "vedra"), trees["vedra"])
        results["index_seconds"]["vedra"] = vedra.index()
        if use_recoll:
            recoll = Recoll(os.path.join(work, "recoll"), trees["recoll"], "recoll-1s", {"monixinterval": 1})
            results["index_seconds"]["recoll"] = recoll.index()

        # --- vedra: start, spaced edits, quick succession ---
        # One sequence of edits per tree: vedra and recollindex get the same edits, and the
        # second measure of recollindex goes on with new words.
        edit_plans = {}

        def latency_phase(daemon, tree, count):
            if tree not in edit_plans:
                folders, files = [], []
                for folder, _, names in os.walk(tree):
                    folders.append(folder)
                    files.extend(os.path.join(folder, n) for n in names)
                edit_plans[tree] = Edits(options.seed + 1, vocab, sorted(folders), sorted(files))
            edits = edit_plans[tree]
            results["text_start"][daemon.name] = start_daemon(daemon, text_folders, 300)
            if daemon is vedra:
                vedra_memory_point(results, vedra, "after its start")
            say("%s watching %d folders after %.1f s; spaced edits" % (daemon.name, text_folders,
                                                                     results["text_start"][daemon.name]["seconds"]))
            entry = spaced(daemon, edits, count, options.timeout, "spaced")
            entry.update(tool=daemon.name, mode="spaced", load=loads.window(entry["started"], entry["ended"]))
            results["latency"].append(entry)
            if daemon is vedra:
                vedra_memory_point(results, vedra, "after %d spaced edits" % count)
            if options.burst:
                say("%s: %d edits in quick succession" % (daemon.name, options.burst))
                time.sleep(1)
                entry = burst(daemon, edits, options.burst, options.timeout)
                entry.update(tool=daemon.name, mode="quick succession (%d ms apart)" % (1000 * BURST_INTERVAL),
                             load=loads.window(entry["started"], entry["ended"]))
                results["latency"].append(entry)

        daemons.append(vedra)
        latency_phase(vedra, trees["vedra"], options.edits)
        vedra_memory_point(results, vedra, "after the quick edits")

        # --- recollindex -m: with monixinterval = 1, then as shipped ---
        if use_recoll:
            daemons.append(recoll)
            latency_phase(recoll, trees["recoll"], options.edits)
            recoll.stop()
            results["search_failures"]["recoll-1s"] = recoll.search_failures
            recoll = Recoll(os.path.join(work, "recoll"), trees["recoll"], "recoll", {})
            daemons.append(recoll)
            latency_phase(recoll, trees["recoll"], options.recoll_edits)
            results["notes"].append("recoll at its defaults lets at least 30 s pass between two processings of its "
                                    "queue (monixinterval): a spaced edit, made just after the previous one was "
                                    "found, waits most of that.")

        # --- idle: both, while the folder trees are measured ---
        say("idle for %.0f s; the folder trees meanwhile" % options.idle)
        idle_daemons = [d for d in (vedra, recoll if use_recoll else None) if d]
        idle_before = {d.name: idle_sample(d.pid) for d in idle_daemons}
        batches_before = vedra.state().get("batches")
        idle_started = time.monotonic()

        if options.folders:
            in_use = watches_in_use()
            if in_use + options.folders + 1 > results["machine"]["max_user_watches"]:
                results["notes"].append("%d inotify watches in use by this user: the %d-folder tree may not be "
                                        "watched whole" % (in_use, options.folders))
            big = os.path.join(work, "folders")
            made = make_folder_tree(big, options.folders, options.seed, vocab)
            results["folder_tree"] = {"folders": made, "files": sum(1 for _, _, n in os.walk(big) for _ in n)}
            results["folders"] = {}
            say("folder tree made: %d folders" % made)
            tools = [Vedra(program, os.path.join(work, "vedra-folders"), big)]
            if use_recoll:
                tools.append(Recoll(os.path.join(work, "recoll-folders"), big, "recoll", {}))
            for daemon in tools:
                index_seconds = daemon.index()
                daemons.append(daemon)
                say("%s: %d folders indexed in %.1f s; starting" % (daemon.name, made, index_seconds))
                start = start_daemon(daemon, made + 1, 1800)
                before = idle_sample(daemon.pid)
                time.sleep(options.folder_idle)
                quiet = idle_result(before, idle_sample(daemon.pid))
                results["folders"][daemon.name] = {"index_seconds": index_seconds, "start": start, "idle": quiet}
                say("%s: watching after %.1f s, VmRSS %.1f MB" % (daemon.name, start["seconds"], start["rss_kb"] / 1024))
                daemon.stop()
                results["search_failures"][daemon.name + " (folders)"] = daemon.search_failures

        remaining = options.idle - (time.monotonic() - idle_started)
        if remaining > 0:
            time.sleep(remaining)
        else:
            results["notes"].append("the folder trees took %.0f s of the %.0f s idle window" % (
                time.monotonic() - idle_started, options.idle))
        results["idle"] = {d.name: idle_result(idle_before[d.name], idle_sample(d.pid)) for d in idle_daemons}
        for daemon in idle_daemons:
            results["idle"][daemon.name]["load"] = loads.window(idle_started, time.monotonic())
        batches_after = vedra.state().get("batches")
        if batches_after != batches_before:
            results["notes"].append("vedra ran batches while nothing changed: %s before the idle time, %s after" % (
                batches_before, batches_after))
        vedra_memory_point(results, vedra, "after the idle time")
        for daemon in idle_daemons:
            if not daemon.alive():
                results["notes"].append("%s ended during the run (exit %s)" % (daemon.name, daemon.process.returncode))
            daemon.stop()

        # --- a mount elsewhere: each watcher of the folder tree again, alone ---
        if options.folders and options.mount_probe:
            results["mount"] = {}
            for daemon in tools:
                say("%s: mounting and unmounting a tmpfs outside the tree" % daemon.name)
                start_daemon(daemon, made + 1, 1800)
                time.sleep(2)
                results["mount"][daemon.name] = mount_probe(daemon, os.path.join(work, "mnt"))
                daemon.stop()
        if options.folders:
            shutil.rmtree(big)
        results["search_failures"]["vedra"] = vedra.search_failures
        if use_recoll:
            results["search_failures"]["recoll"] = recoll.search_failures
    finally:
        for daemon in daemons:
            try:
                daemon.stop()
            except Exception as error:  # noqa: BLE001 (the others are stopped all the same)
                say("stopping %s: %s" % (daemon.name, error))
        loads.stopped.set()
    results["wall_seconds"] = time.monotonic() - run_started
    results["load"] = loads.window(run_started, time.monotonic())
    text = report(results)
    print(text)
    if options.report:
        with open(options.report, "w") as handle:
            handle.write(text)
    if options.json:
        with open(options.json, "w") as handle:
            json.dump(results, handle, indent=1)
    if options.keep:
        say("kept %s" % work)
    else:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()
