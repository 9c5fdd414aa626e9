// A reader of the index files written independently of the production code,
// straight from the file layouts, so tests can check what the writers and
// mergers put on disk without trusting the code under test.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace cs::test {

// Sequential decoder over a byte string with the index encodings.
class CByteReader {
public:
    explicit CByteReader(const std::string& data, uint64_t position = 0) : m_data(data), m_pos(position) {}
    uint8_t byte();
    uint32_t vint();
    uint64_t vlong();
    int32_t int32();    // big-endian
    int64_t int64();    // two Int32, high word first
    std::string string();
    std::string bytes(uint64_t count);
    uint64_t position() const { return m_pos; }
    void seek(uint64_t position) { m_pos = position; }
    bool atEnd() const { return m_pos >= m_data.size(); }

private:
    const std::string& m_data;
    uint64_t m_pos;
};

struct FieldInfoRecord {
    std::string name;
    int32_t flags = 0;
    int64_t totalTerms = 0;
    int64_t distinctTerms = 0;
    int64_t trailer = -1;
    int64_t tidBytes = 0;
    int64_t didBytes = 0;
    int64_t pidBytes = 0;
    int32_t indexWay = 0;
    std::string boost;
    bool indexed() const { return (flags & 6) != 0; }
    int storeKind() const { return flags & 0x70; }
};

// The .fdi file of a barrel; field ids are positions.
std::vector<FieldInfoRecord> ReadFieldInfos(const std::string& path);

struct TermPostings {
    int32_t term = 0;
    uint32_t docFreq = 0;          // from the .tid entry
    uint32_t trailerDocFreq = 0;   // from the .did trailer
    uint64_t totalFreq = 0;
    uint32_t lastDoc = 0;
    bool withPositions = false;
    std::vector<uint32_t> docs;                    // local document numbers, ascending
    std::vector<uint32_t> freqs;                   // per document (1 without positions)
    std::vector<std::vector<uint32_t>> positions;  // per document, absolute
};

// Every term of one field of a barrel, in dictionary order. Throws
// std::runtime_error naming the file and offset when something does not decode.
std::vector<TermPostings> ReadFieldPostings(const std::string& dir, const std::string& barrel,
                                            const FieldInfoRecord& field);

struct StoredField {
    uint32_t fieldId = 0;
    bool empty = false;        // written as kind "empty"
    bool compressed = false;   // stored zlib-compressed
    std::string text;          // without the terminating zero byte
};

struct StoredDocument {
    bool deleted = false;      // .sfi entry of -1
    std::vector<StoredField> fields;
};

// The stored fields of every document of a barrel (.sfi/.sfd).
std::vector<StoredDocument> ReadStoredFields(const std::string& dir, const std::string& barrel,
                                             const std::vector<FieldInfoRecord>& fields);

struct DeletedDocs {
    uint32_t docNum = 0;
    uint32_t delNum = 0;
    std::vector<bool> deleted;
};

DeletedDocs ReadDeletedDocs(const std::string& path);

// B.len: field id -> the length of every document of the barrel.
std::map<int32_t, std::vector<int32_t>> ReadDocLengths(const std::string& path);

struct BarrelRecord {
    std::string name;
    int64_t docStart = 0;
    int64_t docCount = 0;
    int64_t deletedCount = 0;
};

struct IndexStatus {
    std::string version;
    int64_t barrelCounter = 0;
    int64_t barrelCount = 0;
    std::vector<BarrelRecord> barrels;
    std::vector<std::string> fieldNames;   // content_mode items in order
};

// Parses index_status.xml (with libxml2 directly).
IndexStatus ReadIndexStatus(const std::string& path);
// The documents the barrel list of index directory `dir` counts, 0 without one.
int64_t ListedDocuments(const std::string& dir);

// Checks an index directory as a reader would find it: the barrel list parses,
// barrels cover contiguous document ranges, every listed barrel's files exist
// and decode, postings are ascending and below the barrel's count, stored
// records decode, .del counts agree. Then the index checker, cscheck, must
// find it sound too (when the barrel list holds a content mode, as every list
// the indexer writes does), so that the program passes every index the
// suites build.
// Returns an empty text when sound, else a description of the first problem.
// With `pSound`, barrels whose files are the very files found sound before
// (same inode, size and modification time, same record) are not decoded
// again, and sound barrels are added: crash tests check a growing index after
// every kill.
std::string CheckIndex(const std::string& dir, std::set<std::string>* pSound = nullptr);

} // namespace cs::test
