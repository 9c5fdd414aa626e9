#!/bin/sh
# Runs the indexer on the bundled sample configuration from the repository root.
set -e
cd "$(dirname "$0")/.."
[ -d sample/docs ] || python3 tools/make-sample-docs.py sample/docs
./build/csindexer -d sample "$@"
