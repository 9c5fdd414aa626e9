#!/bin/sh
# Runs the indexer on the bundled sample configuration from the repository root.
set -e
cd "$(dirname "$0")/.."
./build/csindexer -d sample "$@"
