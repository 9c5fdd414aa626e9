// Checks a whole index directory: the barrel list, every barrel (see
// CBarrelChecker), the files no barrel of the list owns (".tmp" files, a
// replacement plan, files of unfinished merges or of barrels the list does not
// name), and the markers that csindexer leaves in its program home while it
// moves files. Beside a csindexer that writes the index (index/IndexLock.h)
// the barrel list is judged as a reader judges it, and the files and markers
// of its flushes, merges and moves under way are notes, not problems. It only
// reads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "check/CheckReport.h"
#include "platform/Env.h"

namespace cs::index {
class CIndexSnapshot;
}

namespace cs::check {

class CIndexChecker {
public:
    // `programHome` is where csindexer keeps its markers.
    CIndexChecker(const std::string& indexDir, const std::string& programHome);

    const CCheckReport& check();
    // One line on what was checked: the barrels, documents and deletions.
    std::string summary() const;
    // False for a directory without a barrel list and without a file of the
    // index (a folder of documents, say): there is nothing to check there.
    bool holdsIndex() const { return !m_empty || !m_report.sound(); }

private:
    void checkBarrelList(const index::CIndexSnapshot& snapshot);
    void checkDirectoryFiles(const std::vector<platform::DirEntry>& entries);
    void checkProgramHome();
    // A problem, or a note of work under way when `writer` (a process id) runs.
    void addUnfinished(const std::string& path, const std::string& problem, int writer);

    std::string m_dir;
    std::string m_home;
    CCheckReport m_report;
    std::vector<std::string> m_barrelNames;
    int32_t m_barrels = 0;
    int64_t m_documents = 0;
    int64_t m_deleted = 0;
    bool m_empty = false;
    int m_writer = 0;   // the csindexer writing the index, 0 for none
};

} // namespace cs::check
