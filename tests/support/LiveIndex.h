// The documents of an index that are not deleted, decoded with the test's
// own readers (IndexFiles.h): for each its global number, its stored path,
// and the terms of its "text" and "date" fields.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace cs::test {

class CLiveIndex {
public:
    struct Document {
        std::string path;          // the stored "path" field
        std::set<int32_t> days;    // terms of "date": day numbers
    };

    // An index directory without a barrel list has no documents.
    explicit CLiveIndex(const std::string& dir);

    const std::map<int64_t, Document>& documents() const { return m_documents; }
    // The live documents whose "text" holds `term`.
    std::vector<int64_t> withTerm(int32_t term) const;

private:
    std::map<int64_t, Document> m_documents;
    std::map<int32_t, std::vector<int64_t>> m_text;
};

// The files the directory collection's state file (collected_files.txt)
// names, with the number of each one's document (-1: none), read without the
// production reader; paths with escapes are not expected.
std::map<std::string, int64_t> ReadFileList(const std::string& path);

// Empty when the state of the index in `dir` names every live document
// once, under the path the document stores, and no document that is not
// live; else what is wrong. After a kill at any moment and the recovery
// that follows, this holds: nothing is lost, nothing doubled.
std::string StateAgreesWithIndex(const std::string& dir);

} // namespace cs::test
