#!/bin/sh
# Runs the indexer on the bundled sample configuration from the repository root.
# A second run indexes only what changed in sample/docs; -r rebuilds the index.
set -e
cd "$(dirname "$0")/.."
[ -d sample/docs ] || python3 tools/make-sample-docs.py sample/docs
./build/csindexer -d sample "$@"
echo "index written to $(pwd)/var/index (log in $(pwd)/var/log/csindexer)"
