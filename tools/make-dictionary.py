#!/usr/bin/env python3
"""Builds the indexer's word dictionary and stop-word list from a Chinese
frequency word list ("word frequency part-of-speech" per line, UTF-8) and an
English word list (one word per line).

The dictionary holds one GBK word per line (a word's id is its line number).
Only words the analyzer can match whole are kept: from the frequency list,
words of double-byte characters only, or of ASCII letters only (folded to
lower case); from the English list, words of five or more lower-case ASCII
letters (a run of up to four letters is one term without the dictionary, and
capitalised names and words with other characters never match whole). Words
GBK cannot hold are dropped. The conversion is glibc's iconv, the one the
indexer uses.

Order: the English function words (a word needs a dictionary id to be a stop
word), then the frequency list, commonest first, then the English list in
byte order. The dictionary holds at most 300,000 words; the English words
all go in, and the rarest words of the frequency list give way to them.
The stop-word list holds the dictionary ids of common Chinese and English
function words.
"""

import argparse
import ctypes
import ctypes.util
import os
import re
import sys

# Ids from 300000 on collide with the digit and letter terms of the analyzer.
MAX_WORDS = 300000
# A letter run of up to four letters is one letter term already.
MIN_ENGLISH_LETTERS = 5
ENGLISH_LETTERS = re.compile(r"[a-z]{%d,}" % MIN_ENGLISH_LETTERS)

STOP_WORDS_CHINESE = """
的 了 是 在 和 与 或 及 等 这 那 也 就 都 而 之 其 着 过 把 被 让 给 从 向 对 于 以 为
所 但 并 且 如 若 则 即 又 还 只 才 已 将 要 会 能 可 很 更 最 个 们 啊 吗 呢 吧 呀 哦 嗯
我 你 他 她 它 我们 你们 他们 她们 它们 自己 这个 那个 这些 那些 这样 那样 一个 什么
因为 所以 如果 但是 而且 或者 以及 然后 虽然 可以 没有 不是 就是 还是 已经 以后 之后
之前 以前 其中 其他 对于 关于 由于 通过 根据 按照 为了 并且 因此 于是 只是 不过
""".split()

STOP_WORDS_ENGLISH = """
a an the of to in on at by for with from into about as and or but not no nor so if
than then that this these those it its is are was were be been being am do does did
has have had will would shall should can could may might must i you he she we they
me him her us them my your his our their there here what which who whom
""".split()


class Iconv:
    """A strict iconv descriptor: a text that cannot be converted whole is refused."""

    def __init__(self, target, source):
        self.libc = ctypes.CDLL(ctypes.util.find_library("c"), use_errno=True)
        self.libc.iconv_open.restype = ctypes.c_void_p
        self.libc.iconv_open.argtypes = [ctypes.c_char_p, ctypes.c_char_p]
        self.libc.iconv.restype = ctypes.c_size_t
        self.libc.iconv.argtypes = [ctypes.c_void_p] + [ctypes.POINTER(ctypes.c_void_p),
                                                        ctypes.POINTER(ctypes.c_size_t)] * 2
        self.libc.iconv_close.argtypes = [ctypes.c_void_p]
        self.cd = self.libc.iconv_open(target.encode(), source.encode())
        if self.cd in (None, ctypes.c_void_p(-1).value):
            sys.exit("iconv cannot convert from %s to %s" % (source, target))

    def convert(self, data):
        self.libc.iconv(self.cd, None, None, None, None)
        inbuf = ctypes.create_string_buffer(data, len(data))
        outbuf = ctypes.create_string_buffer(len(data) * 2 + 16)
        inptr = ctypes.c_void_p(ctypes.addressof(inbuf))
        outptr = ctypes.c_void_p(ctypes.addressof(outbuf))
        inleft = ctypes.c_size_t(len(data))
        outleft = ctypes.c_size_t(len(outbuf))
        result = self.libc.iconv(self.cd, ctypes.byref(inptr), ctypes.byref(inleft),
                                 ctypes.byref(outptr), ctypes.byref(outleft))
        if result == ctypes.c_size_t(-1).value or inleft.value != 0:
            return None
        return outbuf.raw[:len(outbuf) - outleft.value]


def dictionary_form(word, to_gbk):
    """The GBK bytes under which the analyzer can find the word, or None."""
    if word.isascii():
        return word.lower().encode("ascii") if word.isalpha() else None
    if any(ord(c) < 0x80 for c in word):
        return None   # mixed words span character classes and never match
    gbk = to_gbk.convert(word.encode("utf-8"))
    if gbk is None or len(gbk) != 2 * len(word) or any(b < 0x80 for b in gbk[0::2]):
        return None
    return gbk


def open_list(path, package, errors="strict"):
    try:
        return open(path, encoding="utf-8", errors=errors)
    except OSError as error:
        sys.exit("cannot read the word list %s (%s): install %s (scripts/install-deps.sh) or name "
                 "another list" % (path, error.strerror, package))


def read_frequencies(path, to_gbk):
    """Dictionary form -> frequency of the words of the frequency list."""
    frequencies = {}
    with open_list(path, "python3-jieba") as source:
        for line in source:
            parts = line.split()
            if len(parts) < 2 or not parts[1].isdigit():
                continue
            form = dictionary_form(parts[0], to_gbk)
            if form is not None:
                frequencies[form] = max(frequencies.get(form, 0), int(parts[1]))
    return frequencies


def read_english(path):
    """The words of the English list that the dictionary gains from, in byte order."""
    # Words with other characters are left out, so a stray byte is no error.
    with open_list(path, "wamerican", "replace") as source:
        return sorted({line.strip().encode("ascii") for line in source
                       if ENGLISH_LETTERS.fullmatch(line.strip())})


def select_words(leading, frequencies, english):
    """The dictionary: `leading`, the frequency list commonest first, then the
    English words; the number of English words it adds, and of words of the
    frequency list left out.

    Every English word goes in (one the frequency list has keeps its place
    there), and the frequency list fills what is left below MAX_WORDS. Equal
    frequencies go shorter word first (a longer rare word is more often a
    compound that its parts still cover), then in byte order, so the same
    sources always give the same ids.
    """
    first = set(leading)
    english = [form for form in english if form not in first][:MAX_WORDS - len(leading)]
    must = set(english)
    room = MAX_WORDS - len(leading) - len(english)
    kept, left_out = [], 0
    for form in sorted((form for form in frequencies if form not in first),
                       key=lambda form: (-frequencies[form], len(form), form)):
        if form in must:
            kept.append(form)
        elif room > 0:
            kept.append(form)
            room -= 1
        else:
            left_out += 1
    added = [form for form in english if form not in frequencies]
    return leading + kept + added, len(added), left_out


def write_atomically(path, data):
    temporary = path + ".tmp"
    with open(temporary, "wb") as target:
        target.write(data)
    os.replace(temporary, path)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--source", default="/usr/lib/python3/dist-packages/jieba/dict.txt",
                        help="frequency word list (default: %(default)s)")
    parser.add_argument("--english", default="/usr/share/dict/american-english",
                        help="English word list, one word per line (default: %(default)s)")
    parser.add_argument("--output", required=True, help="directory for dictionary.txt and stopwords.txt")
    args = parser.parse_args()

    to_gbk = Iconv("gbk", "utf-8")
    leading = list(dict.fromkeys(dictionary_form(w, to_gbk) for w in STOP_WORDS_ENGLISH))
    frequencies = read_frequencies(args.source, to_gbk)
    english = read_english(args.english)
    words, added, left_out = select_words(leading, frequencies, english)
    ids = {form: line for line, form in enumerate(words)}
    stop_ids = sorted({ids[form] for form in (dictionary_form(w, to_gbk) for w in
                                              STOP_WORDS_CHINESE + STOP_WORDS_ENGLISH)
                       if form in ids})

    os.makedirs(args.output, exist_ok=True)
    # The stop words first: the dictionary is what marks a finished run.
    write_atomically(os.path.join(args.output, "stopwords.txt"),
                     "".join("%d\n" % i for i in stop_ids).encode("ascii"))
    write_atomically(os.path.join(args.output, "dictionary.txt"), b"".join(w + b"\n" for w in words))
    print("dictionary: %d words (%d words of %s; %d of %s left out), stop words: %d" % (
        len(words), added, args.english, left_out, args.source, len(stop_ids)))


if __name__ == "__main__":
    main()
