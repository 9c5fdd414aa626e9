#!/bin/sh
# Installs what the peer benchmark needs from Debian packages: the peers'
# libraries and Sphinx's indexer, the sources of both corpora, and the tools
# it runs. The benchmark's own step (peer_bench.py --setup): CI builds no peer,
# so scripts/install-deps.sh installs none of this.
set -e
apt-get update
DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
    libclucene-dev liblucene++-dev libboost-system-dev libxapian-dev sphinxsearch \
    manpages manpages-dev manpages-zh fortunes-zh perl-doc python3-doc python3-jieba wamerican groff-base \
    debian-reference-zh-cn debian-reference-zh-tw maint-guide-zh-cn maint-guide-zh-tw debian-faq-zh-cn \
    linux-perf
