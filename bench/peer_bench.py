#!/usr/bin/env python3
"""Times csindexer against its peers on one corpus, in one run.

usage: peer_bench.py [--size MB] [--build DIR] [--work DIR] [--memory BYTES]
                     [--only NAMES] [--no-merge]

Builds (once) a mixed corpus of --size MiB with make_corpus.py, reads it once
to warm the page cache, then runs one after another, on the same corpus:
  floor            read every file and split it into tokens (floor_tokenize)
  csindexer-none   the directory collection with a content mode that stores
                   nothing (the peers' configuration)
  csindexer        the directory collection with the shipped content mode
                   (path stored, abstract stored compressed)
  clucene          peer_clucene: CJK bigrams, positions, nothing stored
  xapian           peer_xapian: CJK n-grams, positions, nothing stored
and prints MB/s, documents/s, CPU seconds, peak RSS and index size of each,
the ratios the performance targets name, and the time of merging barrels
against cp of the same bytes. Results also go to WORK/results.json.
"""
import argparse
import json
import os
import re
import shutil
import subprocess
import sys
import time

SOURCE_DIR = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
MIB = 1048576.0


def walk_files(root):
    for directory, dirs, files in os.walk(root):
        dirs.sort()
        for name in sorted(files):
            yield os.path.join(directory, name)


def tree_bytes(root, suffixes=None):
    total = 0
    for path in walk_files(root):
        if suffixes is None or path.endswith(suffixes):
            total += os.path.getsize(path)
    return total


def measure(cmd, cwd=None, log=None):
    """Runs cmd; returns wall and CPU seconds, peak RSS in KiB, exit code and output."""
    log = log or os.devnull
    with open(log, "wb") as out:
        start = time.monotonic()
        process = subprocess.Popen(cmd, cwd=cwd, stdout=out, stderr=subprocess.STDOUT)
        _, status, usage = os.wait4(process.pid, 0)
        wall = time.monotonic() - start
    process.returncode = os.waitstatus_to_exitcode(status)
    output = open(log, "rb").read().decode("utf-8", "replace") if log != os.devnull else ""
    return {"wall": wall, "cpu": usage.ru_utime + usage.ru_stime, "rss_kb": usage.ru_maxrss,
            "rc": process.returncode, "output": output}


def measure_csindexer(cmd, cwd, log):
    """csindexer runs one copy per machine: wait while another one runs."""
    for _ in range(120):
        result = measure(cmd, cwd, log)
        if "there is another instance already" not in result["output"]:
            return result
        time.sleep(5)
    sys.exit("csindexer: another instance kept running")


class CsindexerSetup:
    """A configuration directory for one csindexer run over the corpus."""

    def __init__(self, work, name, corpus, memory, store, merge=(3, 2, 1)):
        self.root = os.path.join(work, name)
        shutil.rmtree(self.root, ignore_errors=True)
        conf = os.path.join(self.root, "conf")
        os.makedirs(conf)
        os.makedirs(os.path.join(self.root, "index"))
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
""" % (self.corpus, os.path.join(self.root, "index"), self.memory, m, c, s, os.path.join(self.root, "log")))

    @property
    def index_dir(self):
        # The directory collection indexes into the index root itself.
        return os.path.join(self.root, "index")

    def documents(self):
        """Documents in the index, from its barrel list."""
        path = os.path.join(self.index_dir, "index_status.xml")
        if not os.path.exists(path):
            return 0
        with open(path, encoding="utf-8") as f:
            return sum(int(n) for n in re.findall(r"<doc_count>\s*(\d+)\s*</doc_count>", f.read()))

    def barrels(self):
        return sorted({os.path.basename(p).split(".")[0] for p in walk_files(self.index_dir)
                       if p.endswith(".tid")})


def run_csindexer(args, name, corpus, store):
    setup = CsindexerSetup(args.work, name, corpus, args.memory, store)
    result = measure_csindexer([os.path.join(args.build, "csindexer"), "-d", "bench"], setup.root,
                               os.path.join(setup.root, "output.txt"))
    result["documents"] = setup.documents()
    result["index_bytes"] = tree_bytes(setup.index_dir)
    result["postings_bytes"] = tree_bytes(setup.index_dir, (".tid", ".did", ".pid"))
    result["barrels"] = len(setup.barrels())
    return result


def run_peer(args, name, program, corpus, extra=()):
    """A peer indexing the corpus into WORK/NAME-index; the floor writes no index."""
    out = os.path.join(args.work, name + "-index")
    shutil.rmtree(out, ignore_errors=True)
    cmd = [program, corpus] if name == "floor" else [program, corpus, out] + list(extra)
    result = measure(cmd, log=os.path.join(args.work, name + "-output.txt"))
    match = re.search(r"documents (\d+)", result["output"])
    result["documents"] = int(match.group(1)) if match else 0
    result["index_bytes"] = tree_bytes(out) if os.path.isdir(out) else 0
    return result


def run_merge(args, corpus):
    """Barrels of the corpus merged in one go by csindexer -m, against cp of their files."""
    # One level for every barrel and c = 20: the indexing run leaves its
    # barrels alone (unless it makes 20), the merge-only run merges them all.
    setup = CsindexerSetup(args.work, "merge", corpus, args.merge_memory, True, merge=(1 << 30, 20, 1))
    indexed = measure_csindexer([os.path.join(args.build, "csindexer"), "-d", "bench"], setup.root,
                                os.path.join(setup.root, "output-index.txt"))
    barrels = setup.barrels()
    if indexed["rc"] != 0 or len(barrels) < 2:
        return {"error": "indexing for the merge left %d barrels (exit %d)" % (len(barrels), indexed["rc"])}
    setup.write_global((1 << 30, len(barrels), 1))
    files = [p for p in walk_files(setup.index_dir) if os.path.basename(p).split(".")[0] in barrels]
    merged_bytes = sum(os.path.getsize(p) for p in files)
    copy_dir = os.path.join(args.work, "merge-cp")
    shutil.rmtree(copy_dir, ignore_errors=True)
    os.makedirs(copy_dir)
    cp = measure(["cp"] + files + [copy_dir])
    cp_sync = measure(["sh", "-c", 'cp "$@" %s && sync -f %s' % (copy_dir, copy_dir), "cp"] + files)
    shutil.rmtree(copy_dir, ignore_errors=True)
    merge = measure_csindexer([os.path.join(args.build, "csindexer"), "-d", "bench", "-m"], setup.root,
                              os.path.join(setup.root, "output-merge.txt"))
    return {"barrels": len(barrels), "barrels_after": len(setup.barrels()), "bytes": merged_bytes,
            "merge": merge["wall"], "merge_cpu": merge["cpu"], "merge_rc": merge["rc"],
            "cp": cp["wall"], "cp_sync": cp_sync["wall"]}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--size", type=float, default=200, help="corpus size in MiB (default 200)")
    parser.add_argument("--build", default=os.path.join(SOURCE_DIR, "build"), help="build directory")
    parser.add_argument("--work", default=os.path.join(SOURCE_DIR, "build", "peer-bench"), help="work directory")
    parser.add_argument("--memory", type=int, default=100000000, help="csindexer /config/index/memory")
    parser.add_argument("--merge-memory", type=int, default=16777216, help="index memory of the merge test")
    parser.add_argument("--clucene-ram-mb", type=float, default=0, help="CLucene RAM buffer (0: its default)")
    parser.add_argument("--only", default="", help="comma-separated contenders to run")
    parser.add_argument("--no-merge", action="store_true", help="skip the merge measurement")
    args = parser.parse_args()
    args.build, args.work = os.path.abspath(args.build), os.path.abspath(args.work)
    os.makedirs(args.work, exist_ok=True)

    corpus = os.path.join(args.work, "corpus-%gMB" % args.size)
    if not os.path.isdir(corpus):
        subprocess.run([sys.executable, os.path.join(SOURCE_DIR, "bench", "make_corpus.py"),
                        str(args.size), corpus + ".part"], check=True)
        os.rename(corpus + ".part", corpus)
    files = list(walk_files(corpus))
    corpus_bytes = sum(os.path.getsize(p) for p in files)
    peers_dir = os.path.join(args.build, "bench", "peers")
    floor = os.path.join(peers_dir, "floor_tokenize")
    measure([floor, corpus])   # warms the page cache

    contenders = [
        ("floor", lambda: run_peer(args, "floor", floor, corpus)),
        ("csindexer-none", lambda: run_csindexer(args, "csindexer-none", corpus, False)),
        ("csindexer", lambda: run_csindexer(args, "csindexer", corpus, True)),
        ("clucene", lambda: run_peer(args, "clucene", os.path.join(peers_dir, "peer_clucene"), corpus,
                                     [str(args.clucene_ram_mb)] if args.clucene_ram_mb else [])),
        ("xapian", lambda: run_peer(args, "xapian", os.path.join(peers_dir, "peer_xapian"), corpus)),
    ]
    only = set(filter(None, args.only.split(",")))
    results = {}
    for name, run in contenders:
        if only and name not in only:
            continue
        if name in ("clucene", "xapian") and not os.path.exists(os.path.join(peers_dir, "peer_" + name)):
            print("%s: not built (its library is not installed)" % name)
            continue
        print("running %s ..." % name, flush=True)
        results[name] = run()
        if results[name]["rc"] != 0:
            print("%s failed with exit code %d:\n%s" % (name, results[name]["rc"], results[name]["output"][-2000:]))

    print("\ncorpus: %s, %d files, %.1f MiB\n" % (corpus, len(files), corpus_bytes / MIB))
    print("| contender | MB/s | MB/s of CPU | documents/s | CPU s | wall s | peak RSS MiB | index MiB | documents |")
    print("|---|---:|---:|---:|---:|---:|---:|---:|---:|")
    for name, r in results.items():
        r.pop("output", None)
        r["mb_s"] = corpus_bytes / MIB / r["wall"]
        r["mb_cpu_s"] = corpus_bytes / MIB / max(r["cpu"], 1e-6)
        r["docs_s"] = len(files) / r["wall"]
        print("| %s | %.1f | %.1f | %.0f | %.2f | %.2f | %.0f | %.1f | %d |" % (
            name, r["mb_s"], r["mb_cpu_s"], r["docs_s"], r["cpu"], r["wall"], r["rss_kb"] / 1024.0,
            r["index_bytes"] / MIB, r["documents"]))

    # Ratios by wall time, and by CPU time, which other load on the machine
    # disturbs less.
    print()
    peers = [p for p in ("clucene", "xapian") if p in results and results[p]["rc"] == 0]
    if peers:
        best = max(peers, key=lambda p: results[p]["mb_s"])
        best_cpu = max(peers, key=lambda p: results[p]["mb_cpu_s"])
        for name, target in (("csindexer-none", 2.0), ("csindexer", 1.0)):
            if name in results:
                ratio = results[name]["mb_s"] / results[best]["mb_s"]
                ratio_cpu = results[name]["mb_cpu_s"] / results[best_cpu]["mb_cpu_s"]
                print("%s / %s: %.2f by wall time, %.2f by CPU time (target >= %.1f) %s" % (
                    name, best, ratio, ratio_cpu, target, "ok" if ratio >= target else "MISSED"))
    limit_mib = args.memory / MIB + 64
    for name in ("csindexer-none", "csindexer"):
        if name in results:
            r = results[name]
            rss = r["rss_kb"] / 1024.0
            print("%s peak RSS %.0f MiB (limit %.0f) %s; postings/input %.3f (target <= 0.45) %s; %d barrels" % (
                name, rss, limit_mib, "ok" if rss <= limit_mib else "MISSED",
                r["postings_bytes"] / corpus_bytes, "ok" if r["postings_bytes"] <= 0.45 * corpus_bytes else "MISSED",
                r["barrels"]))

    if not args.no_merge and (not only or "merge" in only):
        print("\nrunning merge ...", flush=True)
        merge = run_merge(args, corpus)
        results["merge"] = merge
        if "error" in merge:
            print("merge: " + merge["error"])
        else:
            ratio = merge["merge"] / merge["cp"]
            print("merge of %d barrels (%.1f MiB) into %d: %.2f s; cp %.2f s, cp+sync %.2f s; merge/cp %.2f (target <= 1.5) %s" % (
                merge["barrels"], merge["bytes"] / MIB, merge["barrels_after"], merge["merge"], merge["cp"],
                merge["cp_sync"], ratio, "ok" if ratio <= 1.5 else "MISSED"))

    results["corpus"] = {"path": corpus, "files": len(files), "bytes": corpus_bytes}
    with open(os.path.join(args.work, "results.json"), "w") as f:
        json.dump(results, f, indent=2)


if __name__ == "__main__":
    main()
