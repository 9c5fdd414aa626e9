// The directory collection's memory between runs: every file a run took,
// with what tells one version of it from another (size, modification time in
// nanoseconds, inode) and the global number of its document (-1 when its
// parser dropped it). Kept in collected_files.txt in the index directory,
// written as a ".tmp" file that takes its final name in the same replacement
// as the barrels it describes (docs/format.md).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/Env.h"

namespace cs::index {
class CDocumentMap;
}
namespace cs::store {
class CDirectory;
}

namespace cs::collection {

class CDirState {
public:
    static constexpr const char* FILE_NAME = "collected_files.txt";

    struct CFile {
        platform::FileStatus status;
        int32_t doc = -1;
        bool seen = false;   // met by this run's walk
    };

    // Reads the state of `directory`, whose barrel list counts `documents`
    // documents. Raises, with the way out, when the state cannot describe
    // that index: documents but no state file, a state written for another
    // number of documents, a damaged file.
    void load(store::CDirectory& directory, int64_t documents);
    // Writes FILE_NAME.tmp for an index of `documents` documents; committed
    // to disk when this returns.
    void save(store::CDirectory& directory, int64_t documents) const;

    // The file of that path, or null.
    CFile* find(const std::string& path);
    // Records the file as seen with this status and document.
    void put(const std::string& path, const platform::FileStatus& status, int32_t doc);
    // Marks every file below `dir` (ending in "/") seen, as it is.
    size_t keepBelow(const std::string& dir);
    // Forgets the files the walk did not meet; gives their documents.
    std::vector<int32_t> forgetUnseen(size_t& forgotten);
    // Moves the documents to the numbers a merge gave them.
    void renumber(const index::CDocumentMap& documents);

    size_t size() const { return m_files.size(); }

private:
    std::map<std::string, CFile> m_files;   // by path, the order of the file
};

} // namespace cs::collection
