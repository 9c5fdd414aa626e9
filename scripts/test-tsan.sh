#!/bin/sh
# Builds the system with ThreadSanitizer into build-tsan/ and runs the tests
# of the index writer's second thread: the queue between the collection and
# the barrel writer, a file written behind (its buffers on a thread of their own), the writer killed at every step of a flush with one
# thread and with two, and whole runs of the program with one and with two
# (the program's own reports reach the test through its standard error and
# exit code). A race, or locks taken in an order that could deadlock, fails
# the test that met it. The suites run as programs, not through ctest, which
# would want every suite built.
set -e
cd "$(dirname "$0")/.."
if [ ! -f conf/dict/dictionary.txt ]; then
    python3 tools/make-dictionary.py --output conf/dict
fi
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCS_TSAN=ON
cmake --build build-tsan -j "${CS_BUILD_JOBS:-$(nproc)}" --target csindexer cscheck cssearch test_store test_index test_e2e
# The kill test forks the test program (whose runtime has a thread of its
# own) and starts the writer's second thread in the copy.
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 die_after_fork=0"
build-tsan/tests/test_store --gtest_filter='SyncStreams.FilesOfSeveralWritebackRunsAreWholeAfterSeeksBack' "$@"
build-tsan/tests/test_index --gtest_filter='PrepareQueue.*:IndexWriter.AKillAtAnyStepOfAFlush*' "$@"
build-tsan/tests/test_e2e --gtest_filter='IndexRun.OneThreadOrTwoWriteTheSameIndex' "$@"
