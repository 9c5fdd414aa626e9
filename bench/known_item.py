#!/usr/bin/env python3
"""Known-item ranking over the Python HTML documentation (Debian's python3-doc).

usage: known_item.py [--build DIR] [--work DIR] [--docs DIR]

Indexes DOCS (default /usr/share/doc/python3/html) with the shipped content
mode, then asks for each module page library/<name>.html the query <name>
(modules whose name is one plain word) and counts how often that page ranks
first: once with the document lengths the barrels keep (.len) and once with
the .len files set aside, which ranks as an index written before lengths were
kept (no length normalisation). Prints both counts and the pages that rank
first most often when they are not the module's own.
"""
import argparse
import collections
import os
import re
import shutil
import subprocess

import peer_bench

PLAIN_NAME = re.compile(r"^[a-z][a-z0-9]{2,}$")


def modules(docs):
    library = os.path.join(docs, "library")
    names = [f[:-5] for f in os.listdir(library) if f.endswith(".html")]
    return sorted(n for n in names if PLAIN_NAME.match(n))


def first_hits(cssearch, index, names):
    """The path of the best hit for each name ("" when none)."""
    first = {}
    for name in names:
        out = subprocess.run([cssearch, "-i", index, "-n", "1", "--json", name], capture_output=True, text=True).stdout
        match = re.search(r'"path":"([^"]*)"', out)
        first[name] = match.group(1) if match else ""
    return first


def score(first, docs):
    own = sum(1 for n, p in first.items() if os.path.realpath(p) == os.path.realpath(os.path.join(docs, "library", n + ".html")))
    others = collections.Counter(os.path.relpath(p, docs) for n, p in first.items() if p and not p.endswith("/" + n + ".html"))
    return own, others.most_common(3)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=os.path.join(peer_bench.SOURCE_DIR, "build"))
    parser.add_argument("--work", default="/tmp/known-item")
    parser.add_argument("--docs", default="/usr/share/doc/python3/html")
    args = parser.parse_args()
    docs = os.path.realpath(args.docs)
    setup = peer_bench.CsindexerSetup(args.work, "csindexer", docs, 100000000, store=True)
    run = subprocess.run([os.path.join(args.build, "csindexer"), "-d", "bench"], cwd=setup.root)
    if run.returncode != 0:
        raise SystemExit("csindexer failed with exit status %d" % run.returncode)
    cssearch = os.path.join(args.build, "cssearch")
    names = modules(docs)
    with_lengths = score(first_hits(cssearch, setup.index_dir, names), docs)
    aside = os.path.join(args.work, "len-aside")
    os.makedirs(aside, exist_ok=True)
    for f in os.listdir(setup.index_dir):
        if f.endswith(".len"):
            shutil.move(os.path.join(setup.index_dir, f), aside)
    without = score(first_hits(cssearch, setup.index_dir, names), docs)
    print("%d module pages; own page first for its name:" % len(names))
    print("  without document lengths: %d (most often first instead: %s)" % (without[0], without[1]))
    print("  with document lengths:    %d (most often first instead: %s)" % (with_lengths[0], with_lengths[1]))


if __name__ == "__main__":
    main()
