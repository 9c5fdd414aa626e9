// Barrels and barrel lists written straight from the file layouts, without
// the production writers, so that readers and mergers can be tested on
// inputs whose every byte the test controls.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace cs::test {

// Encoder of the index primitives into a byte string.
class CByteWriter {
public:
    void vint(uint32_t value) { vlong(value); }
    void vlong(uint64_t value);
    void int32(uint32_t value);    // big-endian
    void int64(uint64_t value);    // two Int32, high word first
    void string(const std::string& text);
    void bytes(const std::string& data) { m_data += data; }
    uint64_t size() const { return m_data.size(); }
    const std::string& data() const { return m_data; }

private:
    std::string m_data;
};

struct FixtureField {
    std::string name;
    int storeKind = 16;        // 16 not stored, 32 compressed, 64 stored
    int indexKind = 2;         // 1 not indexed, 2 analysed, 4 not analysed
    int indexWay = 0;          // 0 positions, 1 documents only
    std::string indexer;       // "text", "crc" or "date" for an indexed field
    bool indexed() const { return indexKind != 1; }
    // Postings with positions: text fields, and crc fields of index way 0.
    bool positions() const { return indexer == "text" || (indexer == "crc" && indexWay == 0); }
};

struct FixtureDoc {
    std::map<int, std::vector<int32_t>> tokens;   // field id -> token values; -1 is not indexed
    std::map<int, std::string> stored;            // field id -> stored text
    bool deleted = false;
};

// Writes barrel `name` (.tid .did .pid .fdi .sfi .sfd, and .del when a
// document is deleted) as the barrel writer lays it out.
void WriteBarrel(const std::string& dir, const std::string& name, const std::vector<FixtureField>& fields,
                 const std::vector<FixtureDoc>& docs);

struct BarrelListEntry {
    std::string name;
    int32_t docCount = 0;
    int32_t deletedCount = 0;
};

// index_status.xml listing `barrels` in order, with running document starts
// and the content mode of `fields`.
void WriteIndexStatus(const std::string& dir, const std::vector<BarrelListEntry>& barrels,
                      const std::vector<FixtureField>& fields);

// The deletions of `docs` as a .del file would hold them.
std::string DeletedFile(const std::vector<bool>& deleted);

} // namespace cs::test
