#!/usr/bin/env python3
"""Repeats the peer benchmark's merge: csindexer -m with one thread and with
two over the same saved barrels, against cp + sync of their files.

usage: merge_bench.py BUILD CORPUS WORK [--rounds N]

The corpus is indexed once with 16 MiB of index memory and merging held
off; its barrels are saved. Each round then times cp of the barrels' files
into a fresh directory followed by sync, and for -j 1 and -j 2 the saved
barrels restored (and synced, so that no earlier writing is still going on)
and merged into one. Prints the medians and fastest times, their ratios to
cp + sync, and whether both merges wrote the same bytes.
"""
import argparse
import os
import shutil
import statistics
import subprocess

import peer_bench as pb


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build", help="build directory holding csindexer")
    parser.add_argument("corpus", help="corpus directory (bench/make_corpus.py or make_docs_corpus.py)")
    parser.add_argument("work", help="work directory")
    parser.add_argument("--rounds", type=int, default=5)
    args = parser.parse_args()
    args.work = os.path.abspath(args.work)
    os.makedirs(args.work, exist_ok=True)
    args.csindexer = pb.copy_program(os.path.join(os.path.abspath(args.build), "csindexer"), args.work)
    setup = pb.CsindexerSetup(args.work, "merge", os.path.abspath(args.corpus), 16777216, True,
                              merge=(1 << 30, 20, 1))
    indexed = setup.run(args, "output-index.txt")
    barrels = setup.barrels()
    if indexed["rc"] != 0 or len(barrels) < 2:
        raise SystemExit("indexing left %d barrels (exit %s)" % (len(barrels), indexed["rc"]))
    setup.write_global((1 << 30, len(barrels), 1))
    saved = os.path.join(args.work, "saved-index")
    shutil.rmtree(saved, ignore_errors=True)
    shutil.copytree(setup.index_dir, saved)
    files = [p for p in pb.walk_files(saved) if os.path.basename(p).split(".")[0] in barrels]
    print("%d barrels, %d bytes" % (len(barrels), sum(os.path.getsize(p) for p in files)))

    copy_dir = os.path.join(args.work, "merge-cp")
    times = {"cp + sync": [], "-j 1": [], "-j 2": []}
    merged = {}
    for _ in range(args.rounds):
        shutil.rmtree(copy_dir, ignore_errors=True)
        os.makedirs(copy_dir)
        subprocess.run(["sync"])
        times["cp + sync"].append(pb.measure(
            ["sh", "-c", 'd=$1; shift; cp "$@" "$d" && sync "$d"/* "$d"', "cp", copy_dir] + files)["wall"])
        for threads in ("1", "2"):
            shutil.rmtree(setup.index_dir)
            shutil.copytree(saved, setup.index_dir)
            subprocess.run(["sync"])
            times["-j " + threads].append(setup.run(args, "output-merge.txt", "-j", threads, "-m")["wall"])
            merged[threads] = {name: open(os.path.join(setup.index_dir, name), "rb").read()
                               for name in os.listdir(setup.index_dir) if name.startswith("_")}
    base = statistics.median(times["cp + sync"])
    for name, walls in times.items():
        print("%-10s median %.3f s, fastest %.3f s, %.2f times cp + sync" %
              (name, statistics.median(walls), min(walls), statistics.median(walls) / base))
    print("the same merged files with -j 1 and -j 2: %s" % (merged["1"] == merged["2"]))
    print("load average: %s" % open("/proc/loadavg").read().strip())


if __name__ == "__main__":
    main()
