#!/bin/sh
# Runs the indexer on the bundled sample configuration from the repository root.
# Each run adds every sample document again; -r rebuilds the index instead.
set -e
cd "$(dirname "$0")/.."
[ -d sample/docs ] || python3 tools/make-sample-docs.py sample/docs
./build/csindexer -d sample "$@"
echo "index written to $(pwd)/var/index (log in $(pwd)/var/log/csindexer)"
