#!/usr/bin/env python3
"""Builds the Debian documentation corpus: real GBK Chinese text, English text and HTML.

usage: make_docs_corpus.py SIZE_MB OUTDIR [--cache DIR]

The second corpus of the peer benchmark (docs/performance.md). Unlike
make_corpus.py it generates no text: every document is a file that a named
Debian package ships, rendered or re-encoded:
- Chinese text, GBK (60 % of the bytes): the manual pages of manpages-zh
  rendered by groff, and the fortunes of fortunes-zh, ten to a document;
- English text (30 %): half the manual pages of manpages, manpages-dev and
  perl-doc rendered by groff (taken in name order), half the reST sources of
  the Python documentation (python3-doc);
- HTML (10 %): half the Chinese pages of the Debian reference, maintainers'
  guide and FAQ re-encoded to GBK (their charset declarations say so), half
  the Python HTML documentation.
Debian ships about 8 MB of Chinese text, so a large corpus repeats each
source under new names (".rN" before the extension): its vocabulary is
small, as in a collection of many copies and versions of the same manuals.
Only the files of the named packages are used, so other installed packages
do not change the corpus. Rendered pages are kept in the cache directory
(default: OUTDIR's parent/docs-cache). Files go 500 to a directory.
"""
import argparse
import gzip
import os
import re
import subprocess
import sys
import unicodedata
from concurrent.futures import ThreadPoolExecutor

SHARES = (("zh", 0.60), ("en", 0.30), ("html", 0.10))
PACKAGES = ("manpages-zh", "fortunes-zh", "manpages", "manpages-dev", "perl-doc", "python3-doc",
            "debian-reference-zh-cn", "debian-reference-zh-tw", "maint-guide-zh-cn",
            "maint-guide-zh-tw", "debian-faq-zh-cn", "groff-base")
ZH_HTML_PACKAGES = PACKAGES[6:11]
FORTUNES = ("chinese", "tang300", "song100")
PYTHON_DOC = "/usr/share/doc/python3.11/html"
FILES_PER_DIR = 500
# Typographic characters that have no ASCII form under NFKD.
ASCII_PUNCTUATION = str.maketrans({"\u2018": "'", "\u2019": "'", "\u201c": '"', "\u201d": '"',
                                   "\u2013": "-", "\u2014": "--", "\u2010": "-", "\u2022": "*",
                                   "\u2026": "...", "\u00a0": " ", "\u00b6": "", "\u00a9": "(c)"})
CHARSET = re.compile(r"((?:charset|encoding)\s*=\s*[\"']?)utf-8", re.I)


def package_files(packages):
    listed = subprocess.run(["dpkg", "-L"] + list(packages), stdout=subprocess.PIPE, check=True)
    return sorted({p for p in listed.stdout.decode().splitlines()
                   if os.path.isfile(p) and not os.path.islink(p)})


def tidy(text):
    """Rendered text without escapes, justification runs and blank-line runs."""
    text = re.sub(r"\x1b\[[0-9;]*m", "", text)
    text = re.sub(r"[ \t]{2,}", " ", text)
    return re.sub(r"\n{3,}", "\n\n", text)


def as_ascii(text):
    return unicodedata.normalize("NFKD", text.translate(ASCII_PUNCTUATION)).encode("ascii", "ignore").decode()


def gbk(text):
    return text.encode("gbk", "ignore")


def render_man(path, device):
    with open(path, "rb") as f:
        source = f.read()
    if path.endswith(".gz"):
        source = gzip.decompress(source)
    command = ["groff", "-t", "-man", "-P-cbu", "-T" + device] + (["-k"] if device == "utf8" else [])
    try:
        done = subprocess.run(command, input=source, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                              env=dict(os.environ, LC_ALL="C.UTF-8"), timeout=60)
    except subprocess.TimeoutExpired:
        return ""
    return done.stdout.decode("utf-8", "replace")


def flat_name(prefix, path, root, ext=None):
    name = re.sub(r"[^A-Za-z0-9._-]+", "_", os.path.relpath(path, root).replace("/", "-"))
    name = name[:-3] if name.endswith(".gz") else name
    return prefix + name + (ext or "")


class Pool:
    """Documents of one source as encoded bytes, rendered once into the cache."""

    def __init__(self, cache, name):
        self.dir = os.path.join(cache, name)
        self.ready = os.path.exists(self.dir + ".done")
        os.makedirs(self.dir, exist_ok=True)

    def put(self, name, data):
        if len(data) >= 256:
            with open(os.path.join(self.dir, name), "wb") as f:
                f.write(data)

    def files(self):
        open(self.dir + ".done", "w").close()
        return [os.path.join(self.dir, n) for n in sorted(os.listdir(self.dir))]


def chinese_text(cache, jobs):
    pool = Pool(cache, "zh-text")
    if not pool.ready:
        pages = [p for p in package_files(["manpages-zh"]) if re.match(r"/usr/share/man/zh_(CN|TW)/man", p)]
        with ThreadPoolExecutor(jobs) as ex:
            for path, text in zip(pages, ex.map(lambda p: render_man(p, "utf8"), pages)):
                pool.put(flat_name("man-", path, "/usr/share/man", ".txt"), gbk(tidy(text)))
        for name in FORTUNES:
            with open("/usr/share/games/fortunes/" + name, encoding="utf-8", errors="replace") as f:
                entries = [tidy(e.strip("\n")) for e in f.read().split("\n%\n") if e.strip()]
            for i in range(0, len(entries), 10):
                pool.put("fortune-%s-%04d.txt" % (name, i // 10), gbk("\n\n".join(entries[i:i + 10]) + "\n"))
    return pool.files()


def english_man(cache, jobs, need):
    """Manual pages in name order until need bytes (rendering them all takes long)."""
    pool = Pool(cache, "en-man")
    pages = [p for p in package_files(PACKAGES[2:5]) if re.match(r"/usr/share/man/man[1-8]/.*\.gz$", p)]
    names = [flat_name("man-", p, "/usr/share/man", ".txt") for p in pages]
    taken, have = [], 0
    with ThreadPoolExecutor(jobs) as ex:
        for start in range(0, len(pages), 64):
            if have >= need:
                break
            todo = [(p, n) for p, n in zip(pages[start:start + 64], names[start:start + 64])
                    if not os.path.exists(os.path.join(pool.dir, n)) and not os.path.exists(os.path.join(pool.dir, n + ".short"))]
            for (path, name), text in zip(todo, ex.map(lambda t: render_man(t[0], "ascii"), todo)):
                data = as_ascii(tidy(text)).encode()
                pool.put(name, data)
                if len(data) < 256:
                    open(os.path.join(pool.dir, name + ".short"), "w").close()
            for name in names[start:start + 64]:
                path = os.path.join(pool.dir, name)
                if os.path.exists(path) and have < need:
                    taken.append(path)
                    have += os.path.getsize(path)
    return taken


def converted(cache, name, paths, root, prefix, convert):
    pool = Pool(cache, name)
    if not pool.ready:
        for path in paths:
            with open(path, encoding="utf-8", errors="replace") as f:
                pool.put(flat_name(prefix, path, root), convert(f.read()))
    return pool.files()


def python_sources(cache):
    root = PYTHON_DOC + "/_sources"
    paths = [os.path.join(d, n) for d, _, names in os.walk(root) for n in names if n.endswith(".txt")]
    return converted(cache, "en-pydoc", sorted(paths), root, "pydoc-", lambda t: as_ascii(tidy(t)).encode())


def python_html(cache):
    paths = [os.path.join(d, n) for d, _, names in os.walk(PYTHON_DOC) for n in names if n.endswith(".html")]
    return converted(cache, "en-html", sorted(paths), PYTHON_DOC, "py-", lambda t: as_ascii(t).encode())


def chinese_html(cache):
    paths = [p for p in package_files(ZH_HTML_PACKAGES) if re.search(r"\.zh-(cn|tw)\.html$", p)]
    return converted(cache, "zh-html", paths, "/usr/share", "zh-", lambda t: gbk(CHARSET.sub(r"\1GBK", t)))


class Writer:
    def __init__(self, outdir):
        self.outdir, self.count, self.bytes = outdir, {}, {}

    def fill(self, kind, sources, budget):
        """Copies the sources in order, again and again under new names, until budget bytes."""
        if not sources:
            sys.exit("no documents for %s: run bench/peers/setup.sh" % kind)
        written, round_ = 0, 1
        while written < budget:
            for path in sources:
                if written >= budget:
                    break
                with open(path, "rb") as f:
                    data = f.read()
                stem, ext = os.path.splitext(os.path.basename(path))
                name = stem + (".r%d" % round_ if round_ > 1 else "") + (ext or ".txt")
                n = self.count.get(kind, 0)
                directory = os.path.join(self.outdir, kind, "%03d" % (n // FILES_PER_DIR))
                os.makedirs(directory, exist_ok=True)
                with open(os.path.join(directory, name), "wb") as f:
                    f.write(data)
                self.count[kind] = n + 1
                written += len(data)
            round_ += 1
        self.bytes[kind] = self.bytes.get(kind, 0) + written
        return written


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("size_mb", type=float, help="corpus size in MiB")
    parser.add_argument("outdir", help="directory to create (must not exist)")
    parser.add_argument("--cache", help="where rendered pages are kept")
    parser.add_argument("--jobs", type=int, default=2, help="groff processes at once")
    args = parser.parse_args()
    missing = [p for p in PACKAGES if subprocess.run(["dpkg", "-s", p], stdout=subprocess.DEVNULL,
                                                      stderr=subprocess.DEVNULL).returncode != 0]
    if missing:
        sys.exit("missing packages: %s (bench/peers/setup.sh installs them)" % " ".join(missing))
    cache = args.cache or os.path.join(os.path.dirname(os.path.abspath(args.outdir)), "docs-cache")
    os.makedirs(args.outdir, exist_ok=False)
    total = int(args.size_mb * 1048576)
    budget = {kind: int(total * share) for kind, share in SHARES}
    out = Writer(args.outdir)
    out.fill("zh", chinese_text(cache, args.jobs), budget["zh"])
    man = out.fill("en", english_man(cache, args.jobs, budget["en"] // 2), budget["en"] // 2)
    out.fill("en", python_sources(cache), budget["en"] - man)
    zh_html = out.fill("html", chinese_html(cache), budget["html"] // 2)
    out.fill("html", python_html(cache), budget["html"] - zh_html)
    print("corpus %s: %d files, %d bytes" % (args.outdir, sum(out.count.values()), sum(out.bytes.values())))
    for kind, _ in SHARES:
        print("  %-5s %6d files %11d bytes" % (kind, out.count[kind], out.bytes[kind]))


if __name__ == "__main__":
    main()
