#!/bin/sh
# Builds the system with AddressSanitizer and UndefinedBehaviorSanitizer into
# build-asan/ and runs every test suite. Extra arguments go to ctest.
set -e
cd "$(dirname "$0")/.."
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCS_SANITIZE=ON
cmake --build build-asan -j "$(nproc)"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
ctest --test-dir build-asan --output-on-failure -j "$(nproc)" "$@"
