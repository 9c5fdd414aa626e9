// An index and its writers as a database run makes them: the built-in
// configuration (the content-mode file is left out), the txt parser and the
// general analyzer over the test dictionary, in an index directory of the
// test's choosing. The process-wide index memory must exist.
#pragma once

#include <memory>
#include <string>

#include "analyze/Analyzer.h"
#include "collect/Collection.h"
#include "config/Configurator.h"
#include "index/Index.h"
#include "index/writer/IndexWriter.h"

namespace cs::test {

class CIndexingRig {
public:
    // With `pAnalyzer`, every writer of the rig analyses with that one (which
    // must outlive them) instead of loading the dictionary anew: for tests
    // that run hundreds of writers.
    explicit CIndexingRig(const std::string& dir, int openMode = index::CIndex::ACCESS_APPEND,
                          analyze::CAnalyzer* pAnalyzer = nullptr);

    index::CIndex& index() { return *m_pIndex; }
    utility::CConfigurator& configurator() { return m_configurator; }

    // A writer on the index, configured from the configurator, with
    // `threads` (CIndexWriter::setThreads).
    std::unique_ptr<index::CIndexWriter> newWriter(int threads = 1);
    // Hands `collection` a new writer (which it owns) and runs it.
    void run(collection::CCollection& collection, int threads = 1);

private:
    utility::CConfigurator m_configurator;
    std::unique_ptr<index::CIndex> m_pIndex;
    analyze::CAnalyzer* m_pAnalyzer;
};

} // namespace cs::test
