#!/usr/bin/env python3
"""Builds the mixed benchmark corpus: GBK Chinese text, English text and HTML.

usage: make_corpus.py SIZE_MB OUTDIR [--seed N]

Every byte comes from text that Debian packages ship (docs/performance.md
names them):
- Chinese: the manual pages of manpages-zh (zh_CN and zh_TW), stripped of
  roff markup, mixed with sentences of dictionary words drawn by frequency
  from the word list of python3-jieba, written in GBK; a document follows
  one page and draws most of its words from a vocabulary of its own, so that
  words recur within a document as in real text;
- English: the English manual pages installed under /usr/share/man, stripped
  of roff markup, one page per document;
- HTML: the HTML documentation under /usr/share/doc as shipped, and pages
  made from the two sources above (GBK pages declare charset=gbk).

Shares by bytes: Chinese text 45 %, English text 25 %, Chinese HTML 15 %,
English HTML 15 %. The same seed on the same installed packages gives the
same corpus. Files go 500 to a directory; names never start with "e_".
"""
import argparse
import bisect
import glob
import gzip
import html
import os
import random
import re
import sys

JIEBA_DICT = "/usr/lib/python3/dist-packages/jieba/dict.txt"
ZH_MAN_DIRS = ["/usr/share/man/zh_CN", "/usr/share/man/zh_TW"]
EN_MAN_GLOB = "/usr/share/man/man[1-8]/*.gz"
DOC_HTML_ROOT = "/usr/share/doc"
FILES_PER_DIR = 500
SHARES = {"zh_txt": 0.45, "en_txt": 0.25, "zh_html": 0.15, "en_html": 0.15}

ROFF_FONT = re.compile(r"\\f(\(..|\[[^\]]*\]|.)")
ROFF_SPECIAL = re.compile(r"\\(\(..|\[[^\]]*\]|\*\(..|\*\[[^\]]*\]|\*.|s[-+]?\d+|[&,/|^%:!{}~0acdprtu])")
ROFF_ESCAPED = re.compile(r"\\(.)")
CJK = re.compile(r"[\u3400-\u9fff]")
SENTENCE_END = re.compile(r"(?<=[。！？；])")


def strip_roff(source):
    """Paragraphs of visible text of a manual page (roff markup removed)."""
    paragraphs, current = [], []

    def close():
        if current:
            paragraphs.append(" ".join(current))
            current.clear()

    for line in source.splitlines():
        if line.startswith(".\\\"") or line.startswith("'\\\""):
            continue
        if line.startswith(".") or line.startswith("'"):
            parts = line[1:].split(None, 1)
            macro = parts[0] if parts else ""
            if macro in ("SH", "SS", "TH"):
                close()
                if len(parts) > 1:
                    current.append(parts[1].replace('"', ""))
                    close()
            elif macro in ("B", "I", "BR", "IR", "RB", "RI", "BI", "IB", "SM", "SB", "UR", "MT", "Nm", "Nd", "Ar", "Fl", "Pa", "Em", "Xr") and len(parts) > 1:
                current.append(parts[1].replace('"', ""))
            else:
                close()
            continue
        text = ROFF_FONT.sub("", line)
        text = ROFF_SPECIAL.sub(lambda m: "-" if m.group(1) in ("(hy", "(en", "(em") else "", text)
        text = ROFF_ESCAPED.sub(r"\1", text).strip()
        if text:
            current.append(text)
        else:
            close()
    close()
    return [p for p in paragraphs if p.strip()]


def read_man(path):
    try:
        with gzip.open(path, "rb") as f:
            raw = f.read()
    except (OSError, EOFError):
        return []
    if raw.startswith(b".so "):
        return []   # a link to another page
    return strip_roff(raw.decode("utf-8", "replace"))


class WordSampler:
    """Chinese dictionary words drawn by their frequency in the word list."""

    def __init__(self, rng):
        words, totals, total = [], [], 0
        with open(JIEBA_DICT, encoding="utf-8") as f:
            for line in f:
                parts = line.split()
                if len(parts) < 2 or not all("\u4e00" <= c <= "\u9fff" for c in parts[0]):
                    continue
                try:
                    parts[0].encode("gbk")
                except UnicodeEncodeError:
                    continue
                total += int(parts[1])
                words.append(parts[0])
                totals.append(total)
        self.rng = rng
        # One long draw served in slices keeps the per-word cost low.
        self.stream = rng.choices(words, cum_weights=totals, k=1 << 20)

    def words(self, count):
        start = self.rng.randrange(len(self.stream) - count)
        return self.stream[start:start + count]

    def sentence(self, topic):
        """A sentence of mostly topic words (the document's own vocabulary,
        so that words recur within a document as they do in real text) and
        the rest words of the whole list."""
        count = self.rng.randint(8, 40)
        general = self.words(count)
        out = []
        for i in range(count):
            out.append(self.rng.choice(topic) if self.rng.random() < 0.7 else general[i])
            if i and i % self.rng.randint(4, 12) == 0 and i + 1 < count:
                out.append("，")
        return "".join(out) + self.rng.choice("。。。！？；")


class Sources:
    def __init__(self, rng):
        self.rng = rng
        self.words = WordSampler(rng)
        zh_pages = sorted(p for d in ZH_MAN_DIRS for p in glob.glob(d + "/man*/*.gz"))
        self.zh_pages = []   # the Chinese paragraphs of each page
        for path in zh_pages:
            paragraphs = [p for p in read_man(path) if CJK.search(p)]
            if paragraphs:
                self.zh_pages.append(paragraphs)
        if not self.zh_pages:
            sys.exit("no Chinese manual pages found: apt-get install manpages-zh")
        self.en_pages = sorted(glob.glob(EN_MAN_GLOB))
        rng.shuffle(self.en_pages)
        self.en_next = 0
        self.doc_html = sorted(glob.glob(DOC_HTML_ROOT + "/**/*.html", recursive=True))
        rng.shuffle(self.doc_html)
        self.doc_next = 0

    def doc_size(self):
        # Log-normal sizes around 8 KB, kept between 1 KB and 256 KB.
        return int(min(262144, max(1024, self.rng.lognormvariate(9.0, 1.0))))

    def chinese_paragraphs(self, size):
        """Paragraphs of about size GBK bytes on one topic: consecutive
        paragraphs of a manual page, and sentences of dictionary words drawn
        from a vocabulary of the document's own."""
        topic = self.words.words(self.rng.randint(50, 400))
        page = self.rng.choice(self.zh_pages)
        at = self.rng.randrange(len(page))
        out, used = [], 0
        while used < size:
            if self.rng.random() < 0.5:
                if at >= len(page):
                    page, at = self.rng.choice(self.zh_pages), 0
                paragraph = page[at]
                at += 1
            else:
                paragraph = "".join(self.words.sentence(topic) for _ in range(self.rng.randint(2, 8)))
            out.append(paragraph)
            used += len(paragraph.encode("gbk", "ignore"))
        return out

    def chinese_title(self):
        return "".join(self.words.words(self.rng.randint(2, 6)))

    def english_page(self):
        """The paragraphs of the next English manual page with some text."""
        for _ in range(len(self.en_pages)):
            path = self.en_pages[self.en_next % len(self.en_pages)]
            self.en_next += 1
            paragraphs = read_man(path)
            if sum(len(p) for p in paragraphs) >= 1024:
                return os.path.basename(path).split(".")[0], paragraphs
        sys.exit("no English manual pages found: apt-get install manpages")

    def doc_html_page(self):
        """The next shipped HTML page, or None when all were taken."""
        while self.doc_next < len(self.doc_html):
            path = self.doc_html[self.doc_next]
            self.doc_next += 1
            if os.path.islink(path) or not os.path.isfile(path):
                continue
            with open(path, "rb") as f:
                data = f.read()
            if 512 <= len(data) <= 1 << 20:
                return data
        return None


def html_page(title, paragraphs, charset, rng):
    """A page with the usual furniture: head, style, script, lists, a table."""
    esc = html.escape
    parts = [
        "<!DOCTYPE html>\n<html>\n<head>\n",
        '<meta http-equiv="Content-Type" content="text/html; charset=%s">\n' % charset,
        "<title>%s</title>\n" % esc(title),
        "<style>body { font-family: serif; } .nav { color: #333; }</style>\n",
        "<script type=\"text/javascript\">var page = { loaded: false };</script>\n",
        "</head>\n<body>\n<div class=\"nav\"><a href=\"index.html\">index</a> | <a href=\"#top\">top</a></div>\n",
        "<h1>%s</h1>\n" % esc(title),
    ]
    for i, paragraph in enumerate(paragraphs):
        kind = rng.random()
        if kind < 0.1:
            parts.append("<h2>%s</h2>\n" % esc(paragraph[:60]))
        elif kind < 0.2:
            items = paragraph.split("。") if charset == "gbk" else paragraph.split(". ")
            parts.append("<ul>\n%s</ul>\n" % "".join("<li>%s</li>\n" % esc(x) for x in items if x))
        elif kind < 0.25:
            parts.append("<table><tr><td>%d</td><td>%s</td></tr></table>\n" % (i, esc(paragraph)))
        else:
            parts.append("<p>%s&nbsp;<a href=\"p%d.html\">%d</a></p>\n" % (esc(paragraph), i, i))
    parts.append("<!-- generated page -->\n</body>\n</html>\n")
    return "".join(parts)


def build(size_mb, outdir, seed):
    rng = random.Random(seed)
    sources = Sources(rng)
    budget = {kind: int(size_mb * 1048576 * share) for kind, share in SHARES.items()}
    written = dict.fromkeys(SHARES, 0)
    counts = dict.fromkeys(SHARES, 0)
    os.makedirs(outdir, exist_ok=False)
    total_files = 0

    def emit(kind, ext, data):
        nonlocal total_files
        directory = os.path.join(outdir, "%03d" % (total_files // FILES_PER_DIR))
        if total_files % FILES_PER_DIR == 0:
            os.makedirs(directory, exist_ok=True)
        counts[kind] += 1
        total_files += 1
        with open(os.path.join(directory, "%s%06d.%s" % (kind.split("_")[0], counts[kind], ext)), "wb") as f:
            f.write(data)
        written[kind] += len(data)

    while True:
        open_kinds = [k for k in SHARES if written[k] < budget[k]]
        if not open_kinds:
            break
        kind = rng.choices(open_kinds, weights=[budget[k] - written[k] for k in open_kinds])[0]
        if kind == "zh_txt":
            text = sources.chinese_title() + "\n\n" + "\n\n".join(sources.chinese_paragraphs(sources.doc_size())) + "\n"
            emit(kind, "txt", text.encode("gbk", "ignore"))
        elif kind == "en_txt":
            name, paragraphs = sources.english_page()
            emit(kind, "txt", (name + "\n\n" + "\n\n".join(paragraphs) + "\n").encode("utf-8", "ignore"))
        elif kind == "zh_html":
            title = sources.chinese_title()
            page = html_page(title, sources.chinese_paragraphs(sources.doc_size()), "gbk", rng)
            emit(kind, "html", page.encode("gbk", "ignore"))
        else:
            data = sources.doc_html_page()
            if data is None:
                name, paragraphs = sources.english_page()
                data = html_page(name, paragraphs, "utf-8", rng).encode("utf-8", "ignore")
            emit(kind, "html", data)

    total = sum(written.values())
    print("corpus %s: %d files, %d bytes" % (outdir, total_files, total))
    for kind in SHARES:
        print("  %-8s %6d files %11d bytes" % (kind, counts[kind], written[kind]))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("size_mb", type=float, help="corpus size in MiB")
    parser.add_argument("outdir", help="directory to create (must not exist)")
    parser.add_argument("--seed", type=int, default=1, help="random seed (default 1)")
    args = parser.parse_args()
    build(args.size_mb, args.outdir, args.seed)


if __name__ == "__main__":
    main()
