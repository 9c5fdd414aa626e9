// A sandbox that indexes an activity database of the test server with the
// activity-record collection, and what its index holds, read with the
// test-side index reader.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "e2e/Sandbox.h"

namespace cs::test {

// One document of the index: its stored path and the terms of its
// exact-value fields.
struct ActivityDoc {
    std::string path;
    std::map<std::string, std::vector<int32_t>> terms;   // user, group, date, type
    int32_t term(const std::string& field) const;         // the only term; INT32_MIN for none
};

// Every live document of the index in `dir`, in document order.
std::vector<ActivityDoc> ReadActivityIndex(const std::string& dir);

// The paths of the documents, each with the number of documents that carry it.
std::map<std::string, int> PathCounts(const std::vector<ActivityDoc>& docs);

class CActivitySandbox : public CSandbox {
public:
    // Content files go below contentRoot()/<database>/.
    CActivitySandbox();

    std::string contentRoot() const { return dir() + "/capture"; }
    std::string indexDir(const std::string& database) const { return indexRoot() + "/" + database; }

    // The global configuration: `index` and `more` add elements to <index>
    // and <config>.
    void configure(const std::string& index = "", const std::string& more = "", const std::string& level = "info");
    // The databases of the database information file, their content files
    // below `filepath` (the sandbox's content root when empty).
    void databases(const std::vector<std::string>& names, const std::string& filepath = "");

    // csindexer -d <database> [args]
    ProcessResult index(const std::string& database, const std::vector<std::string>& args = {}) const;

    // A content file below the content root of `database` for a "/qvlog/..."
    // path: "e_" files scrambled, others plain.
    void contentFile(const std::string& database, const std::string& qvlogPath, const std::string& prefix,
                     const std::string& data) const;
};

// The CRC term of GBK bytes, as the CRC analyzer gives it.
int32_t CrcTerm(const std::string& bytes);
// The day number of "YYYY-MM-DD".
int32_t DayTerm(const std::string& date);

} // namespace cs::test
