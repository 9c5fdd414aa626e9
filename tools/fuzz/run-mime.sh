#!/bin/sh
# Builds the MIME fuzzer with clang into build-fuzz/ and runs it on one core.
# Usage: tools/fuzz/run-mime.sh [seconds, default 600] [extra libFuzzer options]
# New inputs collect in build-fuzz/mime-corpus, findings in build-fuzz/mime-artifacts.
set -e
cd "$(dirname "$0")/../.."
SECONDS_TO_RUN=${1:-600}
[ $# -gt 0 ] && shift
export CCACHE_BASEDIR="$(pwd)"
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCS_BUILD_FUZZ=ON -DCS_BUILD_TESTS=OFF
cmake --build build-fuzz -j "$(nproc)" --target fuzz_mime
mkdir -p build-fuzz/mime-corpus build-fuzz/mime-artifacts
SEEDS=tests/data/mime/corpus
[ -d tests/data/mime/crashes ] && SEEDS="$SEEDS tests/data/mime/crashes"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
exec ./build-fuzz/tools/fuzz/fuzz_mime -max_total_time="$SECONDS_TO_RUN" -max_len=16384 -timeout=10 \
    -rss_limit_mb=2048 -dict=tools/fuzz/mime.dict -artifact_prefix=build-fuzz/mime-artifacts/ -print_final_stats=1 \
    "$@" build-fuzz/mime-corpus $SEEDS
