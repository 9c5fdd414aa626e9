#!/bin/sh
# Builds the three programs (release with debug information) and what
# `cmake --install build` copies into build/, and the word dictionary into
# conf/dict/ when it is not there yet or the tool that writes it changed since
# (a new dictionary changes word ids: rebuild indexes made with the earlier
# one, csindexer -r). The test suites are built by scripts/test.sh.
set -e
cd "$(dirname "$0")/.."
if [ ! -f conf/dict/dictionary.txt ] || [ tools/make-dictionary.py -nt conf/dict/dictionary.txt ]; then
    python3 tools/make-dictionary.py --output conf/dict
fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)" --target csindexer cssearch cscheck csdict cssample
