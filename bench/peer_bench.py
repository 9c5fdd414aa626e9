#!/usr/bin/env python3
"""Times csindexer against its peers on two corpora and two sizes, in one run.

usage: peer_bench.py [--corpora project,docs] [--sizes 50,200] [--runs N]
                     [--build DIR] [--work DIR] [--memory BYTES] [--only NAMES]
                     [--tune] [--setup]

For each corpus (project: bench/make_corpus.py; docs: bench/make_docs_corpus.py)
and size it builds the corpus once (GBK, the indexer's input), a UTF-8 copy
(the peers' input: they index Unicode) and the peers' stream for Sphinx's
indexer, reads them all to warm the page cache, then runs every contender
--runs times, the runs of all contenders interleaved, and keeps the fastest:
  floor            read every file and split it into tokens (floor_tokenize)
  csindexer-none   the directory collection, a content mode storing nothing
  csindexer        the directory collection, the shipped content mode
  clucene, lucenepp, xapian, sphinx
                   the peers, each in its fastest configuration (PEERS below;
                   --tune times every candidate configuration instead)
It prints the table (wall, MB/s, CPU, peak RSS, index and postings per input
byte) with the ratios and the targets, then the merge against cp + sync
(the fastest of three of each, the merges of the same saved barrels),
csindexer's second run over the unchanged corpus and a run after 1 % of the
files changed against find, and (200 MB) a two-word query. MB is MiB; MB/s
counts the GBK corpus bytes for every contender. Results go to
WORK/results.json.
"""
import argparse
import json
import os
import re
import shutil
import statistics
import subprocess
import sys
import threading
import time

SOURCE_DIR = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BENCH_DIR = os.path.join(SOURCE_DIR, "bench")
MIB = 1048576.0
PEER_NAMES = ("clucene", "lucenepp", "xapian", "sphinx")
# The files of each index that hold postings (terms, documents, positions).
POSTINGS = {
    "csindexer": (".tid", ".did", ".pid"),
    "lucene": (".tis", ".tii", ".frq", ".prx"),
    "xapian": ("postlist.glass", "position.glass"),
    "sphinx": (".spi", ".spd", ".spp"),
}
# Every peer's candidate configurations (--tune times them all;
# docs/performance.md gives the figures) and the fastest on each corpus,
# which the benchmark runs.
PEERS = {
    "clucene": [[], ["ram=32"], ["ram=64"], ["ram=128"], ["lower=1"], ["merge=50"], ["ram=64", "merge=50"]],
    "lucenepp": [[], ["ram=64"], ["serial=1"], ["ram=64", "serial=1"], ["merge=50"]],
    "xapian": [[], ["flush=100000"], ["nosync=1", "flush=100000"]],
    "sphinx": [[], ["mem_limit=512M"], ["dict=crc"], ["dict=crc", "mem_limit=512M"], ["html_strip=0"]],
}
FASTEST = {
    "clucene": {"project": ["merge=50"], "docs": ["ram=64", "merge=50"]},
    "lucenepp": {"project": ["ram=64", "serial=1"], "docs": ["ram=64", "serial=1"]},
    "xapian": {"project": [], "docs": []},
    "sphinx": {"project": ["dict=crc", "mem_limit=512M"], "docs": ["dict=crc", "mem_limit=512M"]},
}
SPHINX_DEFAULTS = {"mem_limit": "128M", "dict": "keywords", "html_strip": "1", "write_buffer": "1M"}
# Postings per input byte of the code these targets start from (the larger
# of its two content modes in the run of docs/performance.md): a change may
# not make them larger.
TODAY_POSTINGS = {("project", 50): 0.4301, ("project", 200): 0.4030, ("docs", 50): 0.3516, ("docs", 200): 0.3321}
SEARCH_QUERY = ["文件", "系统"]
SLOW_RUN = 60   # seconds: a contender this slow runs once
TARGETS = {"none_ratio": 4.0, "shipped_ratio": 3.0, "merge": 1.5, "second_run": 3.0, "search_ms": 50.0,
           "memory_extra_mib": 64}


def walk_files(root):
    for directory, dirs, files in os.walk(root):
        dirs.sort()
        for name in sorted(files):
            yield os.path.join(directory, name)


def tree_bytes(root, suffixes=None):
    return sum(os.path.getsize(p) for p in walk_files(root) if suffixes is None or p.endswith(suffixes))


def measure(cmd, cwd=None, log=None, timeout=None):
    """Runs cmd; returns wall and CPU seconds, peak RSS in KiB, exit code
    ("timeout" when it was ended after timeout seconds) and output."""
    log = log or os.devnull
    with open(log, "wb") as out:
        start = time.monotonic()
        process = subprocess.Popen(cmd, cwd=cwd, stdout=out, stderr=subprocess.STDOUT)
        killed = []
        timer = threading.Timer(timeout, lambda: killed.append(process.kill())) if timeout else None
        if timer:
            timer.start()
        _, status, usage = os.wait4(process.pid, 0)
        wall = time.monotonic() - start
        if timer:
            timer.cancel()
    process.returncode = rc = os.waitstatus_to_exitcode(status)
    output = open(log, "rb").read().decode("utf-8", "replace") if log != os.devnull else ""
    return {"wall": wall, "cpu": usage.ru_utime + usage.ru_stime, "rss_kb": usage.ru_maxrss,
            "rc": "timeout" if killed else rc, "output": output}


class CsindexerSetup:
    """A configuration directory for csindexer runs over one corpus."""

    def __init__(self, work, name, corpus, memory, store, merge=(3, 2, 1)):
        self.root = os.path.join(work, name)
        shutil.rmtree(self.root, ignore_errors=True)
        conf = os.path.join(self.root, "conf")
        os.makedirs(conf)
        os.makedirs(self.index_dir)
        os.makedirs(os.path.join(self.root, "log"))
        source_conf = os.path.join(SOURCE_DIR, "conf")
        for name_ in ("strres.xml", "search_keywords.xml", "trashurl.xml"):
            shutil.copy(os.path.join(source_conf, name_), conf)
        os.symlink(os.path.join(source_conf, "dict"), os.path.join(conf, "dict"))
        with open(os.path.join(source_conf, "content_mode.xml"), encoding="utf-8") as f:
            mode = f.read()
        if not store:
            mode = re.sub(r"<store>\s*(compress|uncompress)\s*</store>", "<store>no</store>", mode)
        with open(os.path.join(conf, "content_mode.xml"), "w", encoding="utf-8") as f:
            f.write(mode)
        with open(os.path.join(conf, "dbinfo.txt"), "w") as f:
            f.write("dbcount=1\ndbname0=bench\ndbdepict0=benchmark corpus\n")
        self.corpus, self.memory = corpus, memory
        self.write_global(merge)
        with open(os.path.join(self.root, "pathconfig.xml"), "w") as f:
            f.write("""<?xml version="1.0" encoding="utf-8"?>
<pathconfig>
  <root>%s/</root>
  <GLOBAL_CONFIG_PATH>global.xml</GLOBAL_CONFIG_PATH>
  <CONFIGURATE_PATH>content_mode.xml</CONFIGURATE_PATH>
  <DBINFO_PATH>dbinfo.txt</DBINFO_PATH>
  <STRRES_PATH>strres.xml</STRRES_PATH>
  <STOPWORD_PATH>dict/stopwords.txt</STOPWORD_PATH>
  <DICTIONARY_PATH>dict/dictionary.txt</DICTIONARY_PATH>
  <SEARCH_KEYWORDS_CONFIG>search_keywords.xml</SEARCH_KEYWORDS_CONFIG>
  <TRASHURL_STRING_CONFIG>trashurl.xml</TRASHURL_STRING_CONFIG>
</pathconfig>
""" % conf)

    def write_global(self, merge):
        m, c, s = merge
        with open(os.path.join(self.root, "conf", "global.xml"), "w") as f:
            f.write("""<?xml version="1.0" encoding="utf-8"?>
<config>
  <index>
    <system_status>1</system_status>
    <source>%s</source>
    <path>%s</path>
    <date>all</date>
    <memory>%d</memory>
  </index>
  <advanced><merge><m>%d</m><c>%d</c><s>%d</s><recycleStrategy>0</recycleStrategy></merge></advanced>
  <log><level>info</level><path>%s</path><maxdays>7</maxdays></log>
</config>
""" % (self.corpus, self.index_dir, self.memory, m, c, s, os.path.join(self.root, "log")))

    @property
    def index_dir(self):
        # The directory collection indexes into the index root itself.
        return os.path.join(self.root, "index")

    def run(self, args, log_name, *extra):
        return measure([args.csindexer, "-d", "bench"] + list(extra), self.root, os.path.join(self.root, log_name))

    def documents(self):
        """Documents in the index, from its barrel list."""
        path = os.path.join(self.index_dir, "index_status.xml")
        if not os.path.exists(path):
            return 0
        with open(path, encoding="utf-8") as f:
            return sum(int(n) for n in re.findall(r"<doc_count>\s*(\d+)\s*</doc_count>", f.read()))

    def barrels(self):
        return sorted({os.path.basename(p).split(".")[0] for p in walk_files(self.index_dir) if p.endswith(".tid")})


# ---------------------------------------------------------------- corpora

GBK_CHARSET = re.compile(rb"((?:charset|encoding)\s*=\s*[\"']?)gbk", re.I)


def write_utf8_copy(corpus, copy):
    """The corpus with every file that is not UTF-8 converted from GBK (HTML
    pages then declare UTF-8): what the peers read."""
    for path in walk_files(corpus):
        with open(path, "rb") as f:
            data = f.read()
        try:
            data.decode("utf-8")
        except UnicodeDecodeError:
            data = GBK_CHARSET.sub(rb"\1utf-8", data.decode("gbk", "ignore").encode("utf-8"))
        target = os.path.join(copy, os.path.relpath(path, corpus))
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with open(target, "wb") as f:
            f.write(data)


def write_sphinx_stream(utf8, stream):
    """Sphinx's indexer reads documents from a program; its input is this
    tab-separated file (id, text; tabs and line ends become spaces), fed by cat."""
    blank = re.compile(rb"[\x00-\x1f]+")
    with open(stream, "wb") as out:
        for number, path in enumerate(walk_files(utf8), 1):
            with open(path, "rb") as f:
                out.write(b"%d\t%s\n" % (number, blank.sub(b" ", f.read())))


def prepare_corpus(args, kind, size):
    name = "%s-%gMB" % (kind, size)
    path = os.path.join(args.work, name)
    if not os.path.isdir(path):
        if kind == "project":
            command = [os.path.join(BENCH_DIR, "make_corpus.py"), str(size), path + ".part"]
        else:
            command = [os.path.join(BENCH_DIR, "make_docs_corpus.py"), str(size), path + ".part",
                       "--cache", os.path.join(args.work, "docs-cache")]
        shutil.rmtree(path + ".part", ignore_errors=True)
        subprocess.run([sys.executable] + command, check=True)
        os.rename(path + ".part", path)
    utf8 = path + "-utf8"
    if not os.path.isdir(utf8):
        write_utf8_copy(path, utf8 + ".part")
        os.rename(utf8 + ".part", utf8)
    stream = path + "-sphinx.tsv"
    if not os.path.exists(stream):
        write_sphinx_stream(utf8, stream + ".part")
        os.rename(stream + ".part", stream)
    files = list(walk_files(path))
    for tree in (path, utf8):   # warm the page cache
        subprocess.run("find %s -type f -print0 | xargs -0 cat > /dev/null" % tree, shell=True, check=True)
    subprocess.run(["cat", stream], stdout=subprocess.DEVNULL, check=True)
    return {"kind": kind, "size": size, "name": name, "path": path, "utf8": utf8, "stream": stream,
            "files": len(files), "bytes": sum(os.path.getsize(p) for p in files)}


# ---------------------------------------------------------------- contenders

def sphinx_conf(out, stream, settings):
    values = dict(SPHINX_DEFAULTS, **dict(s.split("=", 1) for s in settings))
    conf = os.path.join(out, "sphinx.conf")
    with open(conf, "w") as f:
        f.write("""source corpus
{
    type = tsvpipe
    tsvpipe_command = cat %s
    tsvpipe_field = body
}
index corpus
{
    source = corpus
    path = %s/corpus
    docinfo = extern
    dict = %s
    html_strip = %s
    charset_table = 0..9, A..Z->a..z, _, a..z, U+410..U+42F->U+430..U+44F, U+430..U+44F
    ngram_len = 1
    ngram_chars = U+3000..U+2FA1F
}
indexer
{
    mem_limit = %s
    write_buffer = %s
}
""" % (stream, out, values["dict"], values["html_strip"], values["mem_limit"], values["write_buffer"]))
    return conf


def run_peer(args, corpus, name, settings):
    """A peer indexing the corpus into a fresh directory."""
    out = os.path.join(args.work, "index-" + name)
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    if name == "sphinx":
        cmd = ["indexer", "--quiet", "--config", sphinx_conf(out, corpus["stream"], settings), "--all"]
    else:
        cmd = [os.path.join(args.peers, "peer_" + name), corpus["utf8"], os.path.join(out, "db")] + settings
    result = measure(cmd, log=os.path.join(args.work, name + "-output.txt"), timeout=args.timeout)
    family = {"clucene": "lucene", "lucenepp": "lucene"}.get(name, name)
    result["index_bytes"] = tree_bytes(out)
    result["postings_bytes"] = tree_bytes(out, POSTINGS[family])
    shutil.rmtree(out, ignore_errors=True)
    return result


def run_floor(args, corpus):
    result = measure([os.path.join(args.peers, "floor_tokenize"), corpus["path"]])
    result["index_bytes"] = result["postings_bytes"] = 0
    return result


def run_csindexer(args, corpus, name, store):
    setup = CsindexerSetup(args.work, name, corpus["path"], args.memory, store)
    result = setup.run(args, "output.txt")
    result["index_bytes"] = tree_bytes(setup.index_dir)
    result["postings_bytes"] = tree_bytes(setup.index_dir, POSTINGS["csindexer"])
    result["barrels"] = len(setup.barrels())
    result["documents"] = setup.documents()
    return result


def available(args, name):
    if name == "sphinx":
        return shutil.which("indexer") is not None
    return os.path.exists(os.path.join(args.peers, "peer_" + name))


def contenders(args, corpus):
    table = [("floor", lambda: run_floor(args, corpus)),
             ("csindexer-none", lambda: run_csindexer(args, corpus, "csindexer-none", False)),
             ("csindexer", lambda: run_csindexer(args, corpus, "csindexer", True))]
    for peer in PEER_NAMES:
        if available(args, peer):
            table.append((peer, lambda peer=peer: run_peer(args, corpus, peer, FASTEST[peer][corpus["kind"]])))
        else:
            print("%s: not installed or not built (bench/peers/setup.sh, docs/performance.md)" % peer)
    only = set(filter(None, args.only.split(",")))
    return [(n, run) for n, run in table if not only or n in only]


def best_of(args, table):
    """Every contender --runs times, rounds interleaved; the fastest run of each."""
    results = {}
    for round_ in range(args.runs):
        for name, run in table:
            previous = results.get(name)
            if previous and (previous["rc"] != 0 or previous["wall"] > SLOW_RUN):
                continue
            print("  %s, run %d ..." % (name, round_ + 1), flush=True)
            result = run()
            result["runs"] = (previous or {}).get("runs", 0) + 1
            if result["rc"] != 0:
                print("  %s failed (%s):\n%s" % (name, result["rc"], result["output"][-2000:]))
            if not previous or (result["rc"] == 0 and result["wall"] < previous["wall"]):
                results[name] = result
            else:
                previous["runs"] = result["runs"]
            results[name].pop("output", None)
    return results


# ---------------------------------------------------------------- the other lines

def min_wall(cmd, runs=3, cwd=None):
    return min(measure(cmd, cwd)["wall"] for _ in range(runs))


def run_merge(args, corpus):
    """Barrels of the corpus merged in one go by csindexer -m, against cp of
    their files followed by sync of the copies (a durable copy)."""
    # One level for every barrel and c = 20: the indexing run leaves its
    # barrels alone (unless it makes 20), the merge-only run merges them all.
    setup = CsindexerSetup(args.work, "merge", corpus["path"], args.merge_memory, True, merge=(1 << 30, 20, 1))
    indexed = setup.run(args, "output-index.txt")
    barrels = setup.barrels()
    if indexed["rc"] != 0 or len(barrels) < 2:
        return {"error": "indexing for the merge left %d barrels (exit %s)" % (len(barrels), indexed["rc"])}
    setup.write_global((1 << 30, len(barrels), 1))
    files = [p for p in walk_files(setup.index_dir) if os.path.basename(p).split(".")[0] in barrels]
    merged_bytes = sum(os.path.getsize(p) for p in files)
    copy_dir = os.path.join(args.work, "merge-cp")
    cp_sync = []
    for _ in range(3):
        shutil.rmtree(copy_dir, ignore_errors=True)
        os.makedirs(copy_dir)
        subprocess.run(["sync", copy_dir])
        cp_sync.append(measure(["sh", "-c", 'd=$1; shift; cp "$@" "$d" && sync "$d"/* "$d"', "cp", copy_dir] + files)["wall"])
    shutil.rmtree(copy_dir, ignore_errors=True)
    # As many merges as copies, each of the same saved barrels; the fastest counts.
    saved = os.path.join(args.work, "merge-saved")
    shutil.rmtree(saved, ignore_errors=True)
    shutil.copytree(setup.index_dir, saved)
    merges = []
    for _ in range(3):
        shutil.rmtree(setup.index_dir)
        shutil.copytree(saved, setup.index_dir)
        subprocess.run(["sync"])   # no earlier writing still going on
        merges.append(setup.run(args, "output-merge.txt", "-m"))
    shutil.rmtree(saved, ignore_errors=True)
    merge = min(merges, key=lambda m: m["wall"])
    return {"barrels": len(barrels), "barrels_after": len(setup.barrels()),
            "bytes": merged_bytes, "merge": merge["wall"], "merge_cpu": merge["cpu"],
            "cp_sync": min(cp_sync)}


def run_again(args, corpus, first):
    """csindexer over the unchanged corpus, then after 1 % of its files
    changed (each gets a line more and a new time), against find over the
    tree. The changed files get their bytes and times back afterwards."""
    setup = CsindexerSetup(args.work, "again", corpus["path"], args.memory, True)
    setup.run(args, "output-first.txt")
    find = min_wall(["find", corpus["path"], "-printf", "%s %T@\n"])
    unchanged = setup.run(args, "output-unchanged.txt")
    files = list(walk_files(corpus["path"]))[::100]
    kept = []
    for path in files:
        with open(path, "rb") as f:
            kept.append((path, f.read(), os.stat(path)))
        with open(path, "ab") as f:
            f.write(b"\nchanged for the benchmark\n")
    try:
        changed = setup.run(args, "output-changed.txt")
    finally:
        for path, data, st in kept:
            with open(path, "wb") as f:
                f.write(data)
            os.utime(path, ns=(st.st_atime_ns, st.st_mtime_ns))
    return {"find": find, "unchanged": unchanged["wall"], "unchanged_rc": unchanged["rc"],
            "changed": changed["wall"], "changed_rc": changed["rc"], "changed_files": len(files),
            "first": first["wall"]}


def run_search(args):
    """A two-word query over the index of csindexer's last run (shipped
    mode), wall time including start-up, median of 9."""
    root = os.path.join(args.work, "csindexer")
    cmd = [args.cssearch, "-i", os.path.join(root, "index")] + SEARCH_QUERY
    first = measure(cmd, root, os.path.join(args.work, "search-output.txt"))
    walls = [measure(cmd, root)["wall"] for _ in range(9)]
    match = re.search(r"of (\d+) matching documents", first["output"])
    return {"median_ms": 1000 * statistics.median(walls), "rc": first["rc"], "hits": match.group(1) if match else "?"}


# ---------------------------------------------------------------- printing

def verdict(ok):
    return "met" if ok else "MISSED"


def print_table(corpus, results):
    mib = corpus["bytes"] / MIB
    print("\n### %s: %d files, %.1f MiB (GBK), %s\n" % (corpus["name"], corpus["files"], mib, corpus["path"]))
    print("| contender | wall s | MB/s | CPU s | MB/s of CPU | peak RSS MB | index / input | postings / input | runs |")
    print("|---|---:|---:|---:|---:|---:|---:|---:|---:|")
    for name, r in results.items():
        if r["rc"] != 0:
            print("| %s | %s | – | – | – | – | – | – | %d |" % (name, r["rc"], r["runs"]))
            continue
        ratio = lambda b: "%.3f" % (b / corpus["bytes"]) if b else "–"
        print("| %s | %.2f | %.1f | %.2f | %.1f | %.0f | %s | %s | %d |" % (
            name, r["wall"], mib / r["wall"], r["cpu"], mib / max(r["cpu"], 1e-6), r["rss_kb"] / 1024.0,
            ratio(r["index_bytes"]), ratio(r["postings_bytes"]), r["runs"]))


def print_targets(args, corpus, results):
    peers = [p for p in PEER_NAMES if p in results and results[p]["rc"] == 0]
    if peers:
        best = min(peers, key=lambda p: results[p]["wall"])
        best_cpu = min(peers, key=lambda p: results[p]["cpu"])
        for name, target in (("csindexer-none", TARGETS["none_ratio"]), ("csindexer", TARGETS["shipped_ratio"])):
            if name in results and results[name]["rc"] == 0:
                ratio = results[best]["wall"] / results[name]["wall"]
                ratio_cpu = results[best_cpu]["cpu"] / results[name]["cpu"]
                print("- %s against the fastest peer (%s): %.2f times by wall time (%.2f by CPU time against %s); "
                      "target at least %.0f: %s" % (name, best, ratio, ratio_cpu, best_cpu, target, verdict(ratio >= target)))
    limit = args.memory / MIB + TARGETS["memory_extra_mib"]
    today = TODAY_POSTINGS.get((corpus["kind"], corpus["size"]))
    for name in ("csindexer-none", "csindexer"):
        r = results.get(name)
        if r and r["rc"] == 0:
            postings = r["postings_bytes"] / corpus["bytes"]
            print("- %s peak RSS %.0f MB, limit %.0f (memory + 64 MB): %s; postings / input %.4f (%d barrels), "
                  "today's %s: %s" % (name, r["rss_kb"] / 1024.0, limit, verdict(r["rss_kb"] / 1024.0 <= limit),
                                      postings, r["barrels"], "%.4f" % today if today else "not recorded",
                                      verdict(round(postings, 4) <= today) if today else "–"))


def print_other_lines(merge, again, search):
    if merge:
        if "error" in merge:
            print("- merge: " + merge["error"])
        else:
            ratio = merge["merge"] / merge["cp_sync"]
            print("- merge of %d barrels (%.1f MB) into %d: %.3f s; cp + sync of the same files %.3f s: %.2f times; "
                  "target at most %.1f: %s" % (merge["barrels"], merge["bytes"] / MIB, merge["barrels_after"],
                                               merge["merge"], merge["cp_sync"], ratio, TARGETS["merge"],
                                               verdict(ratio <= TARGETS["merge"])))
    if again:
        bound = TARGETS["second_run"] * again["find"]
        print("- second run over the unchanged corpus: %.2f s (exit %s); find -printf '%%s %%T@\\n' %.3f s: %.1f times; "
              "target at most %.0f: %s" % (again["unchanged"], again["unchanged_rc"], again["find"],
                                           again["unchanged"] / again["find"], TARGETS["second_run"],
                                           verdict(again["unchanged"] <= bound)))
        # The same bound, plus 1 % of the first run for the 1 % of files to index again.
        changed_bound = bound + 0.01 * again["first"]
        print("- run after %d files (1 %%) changed: %.2f s (exit %s); target at most 3 x find + 1 %% of the first "
              "run = %.2f s: %s" % (again["changed_files"], again["changed"], again["changed_rc"], changed_bound,
                                   verdict(again["changed"] <= changed_bound)))
    if search:
        print("- cssearch %s (two words, %s hits, exit %s): median %.1f ms of wall time including start-up; "
              "target at most %.0f ms: %s" % (" ".join(SEARCH_QUERY), search["hits"], search["rc"], search["median_ms"],
                                            TARGETS["search_ms"], verdict(search["median_ms"] <= TARGETS["search_ms"])))


def print_scaling(report):
    """Seconds per MB at each size, by wall and by CPU time: linear cost
    keeps them level."""
    sizes = sorted({c["size"] for c in report.values()})
    if len(sizes) < 2:
        return
    small, large = sizes[0], sizes[-1]
    print("\n### Cost against size (seconds per MB of input at %g MB and %g MB)\n" % (small, large))
    print("| corpus | contender | wall s/MB at %g | at %g | ratio | CPU s/MB at %g | at %g | ratio |" % (
        small, large, small, large))
    print("|---|---|---:|---:|---:|---:|---:|---:|")
    for kind in sorted({c["kind"] for c in report.values()}):
        a, b = report.get("%s-%gMB" % (kind, small)), report.get("%s-%gMB" % (kind, large))
        if not a or not b:
            continue
        for name, r in b["results"].items():
            s = a["results"].get(name)
            if s and s["rc"] == 0 and r["rc"] == 0:
                cells = []
                for key in ("wall", "cpu"):
                    per_small, per_large = s[key] / (a["bytes"] / MIB), r[key] / (b["bytes"] / MIB)
                    cells += [per_small, per_large, per_large / per_small]
                print("| %s | %s | %.4f | %.4f | %.2f | %.4f | %.4f | %.2f |" % tuple([kind, name] + cells))


# ---------------------------------------------------------------- tuning and main

def tune(args, corpus):
    """Every candidate configuration of every peer, interleaved, --runs times."""
    table = [("%s %s" % (peer, " ".join(settings) or "(defaults)"),
              lambda peer=peer, settings=settings: run_peer(args, corpus, peer, settings))
             for peer in PEER_NAMES if available(args, peer) for settings in PEERS[peer]]
    only = set(filter(None, args.only.split(",")))
    print_table(corpus, best_of(args, [(n, run) for n, run in table if not only or n.split()[0] in only]))


def copy_program(path, work):
    """The indexer runs one copy per program name: a name of its own keeps the
    benchmark clear of other csindexer runs on this machine."""
    os.makedirs(os.path.join(work, "bin"), exist_ok=True)
    copy = os.path.join(work, "bin", os.path.basename(path) + "-peer-bench")
    shutil.copy2(path, copy)
    return copy


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--corpora", default="project,docs", help="project, docs or both (default both)")
    parser.add_argument("--sizes", default="50,200", help="corpus sizes in MiB (default 50,200)")
    parser.add_argument("--runs", type=int, default=3, help="runs of each contender; the fastest counts (default 3)")
    parser.add_argument("--build", default=os.path.join(SOURCE_DIR, "build-bench"), help="benchmark build directory")
    parser.add_argument("--work", help="work directory (default BUILD/peer-bench)")
    parser.add_argument("--memory", type=int, default=100000000, help="csindexer /config/index/memory")
    parser.add_argument("--merge-memory", type=int, default=16777216, help="index memory of the merge test")
    parser.add_argument("--timeout", type=float, default=1200, help="seconds a peer run may take")
    parser.add_argument("--only", default="", help="comma-separated contenders (or peers, with --tune)")
    parser.add_argument("--tune", action="store_true", help="time every candidate configuration of the peers")
    parser.add_argument("--setup", action="store_true", help="install the peers first (bench/peers/setup.sh)")
    args = parser.parse_args()
    if args.setup:
        subprocess.run(["sh", os.path.join(BENCH_DIR, "peers", "setup.sh")], check=True)
    args.build = os.path.abspath(args.build)
    args.work = os.path.abspath(args.work or os.path.join(args.build, "peer-bench"))
    args.peers = os.path.join(args.build, "bench", "peers")
    os.makedirs(args.work, exist_ok=True)
    args.csindexer = copy_program(os.path.join(args.build, "csindexer"), args.work)
    args.cssearch = copy_program(os.path.join(args.build, "cssearch"), args.work)

    report = {}
    sizes = [float(s) for s in args.sizes.split(",")]
    for kind in args.corpora.split(","):
        for size in sizes:
            print("\n%s corpus, %g MB: preparing ..." % (kind, size), flush=True)
            corpus = prepare_corpus(args, kind, size)
            if args.tune:
                tune(args, corpus)
                continue
            results = best_of(args, contenders(args, corpus))
            print_table(corpus, results)
            print()
            print_targets(args, corpus, results)
            full = "csindexer" in results
            merge = run_merge(args, corpus) if full else None
            again = run_again(args, corpus, results["csindexer"]) if full else None
            search = run_search(args) if full and size == max(sizes) else None
            print_other_lines(merge, again, search)
            report[corpus["name"]] = dict(corpus, results=results, merge=merge, again=again, search=search)
            with open(os.path.join(args.work, "results.json"), "w") as f:
                json.dump(report, f, indent=2)
    if not args.tune:
        print("\nload average at the end: %s" % open("/proc/loadavg").read().strip())
        print_scaling(report)


if __name__ == "__main__":
    main()
