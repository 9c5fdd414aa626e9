// Helpers of the merge suites: an index of barrels written from the file
// layouts, the merger run over it, and what the index holds as seen by the
// test-side reader, by document identity (a stored "id" field), so that
// indexes before and after a merge can be compared whatever the numbering.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "index/BarrelsInfo.h"
#include "index/fields/FieldFactoryRegistry.h"
#include "index/merge/HTIndexMerger.h"
#include "store/ContentDirectory.h"
#include "support/BarrelBuilder.h"
#include "support/IndexFiles.h"
#include "support/TestSupport.h"

namespace cs::test {

// Field 4 ("id") identifies documents.
inline const std::vector<FixtureField>& MergeFields()
{
    static const std::vector<FixtureField> fields = {
        {"text", 16, 2, 0, "text"}, {"user", 16, 2, 1, "crc"}, {"mail", 16, 2, 0, "crc"},
        {"date", 16, 2, 1, "date"}, {"id", 64, 1, 0, ""},        {"abstract", 32, 1, 0, ""},
    };
    return fields;
}
constexpr int kIdField = 4;

inline index::FieldFactoryMap FactoriesOf(const std::vector<FixtureField>& fields)
{
    index::FieldFactoryMap factories;
    for (size_t id = 0; id < fields.size(); ++id) {
        if (fields[id].indexed())
            factories[static_cast<int>(id)] = index::CFieldFactoryRegistry::instance().find(fields[id].indexer);
    }
    return factories;
}

// A document named `id` whose stored "id" field carries that name.
inline FixtureDoc Doc(const std::string& id, std::map<int, std::vector<int32_t>> tokens, bool deleted = false)
{
    FixtureDoc doc;
    doc.tokens = std::move(tokens);
    doc.stored[kIdField] = id;
    doc.stored[5] = "abstract of " + id;
    doc.deleted = deleted;
    return doc;
}

// Barrels _0, _1, ... and index_status.xml in a new directory; the deleted
// counts agree with the .del files.
inline std::string WriteIndex(const std::string& tag, const std::vector<std::vector<FixtureDoc>>& barrels,
                              const std::vector<FixtureField>& fields = MergeFields())
{
    std::string dir = MakeTempDir(tag);
    std::vector<BarrelListEntry> list;
    for (size_t i = 0; i < barrels.size(); ++i) {
        std::string name = "_" + std::to_string(i);
        WriteBarrel(dir, name, fields, barrels[i]);
        int32_t deleted = 0;
        for (const FixtureDoc& doc : barrels[i])
            deleted += doc.deleted;
        list.push_back({name, static_cast<int32_t>(barrels[i].size()), deleted});
    }
    WriteIndexStatus(dir, list, fields);
    return dir;
}

struct MergeSettings {
    int m = 3, c = 2, s = 1;
    int strategy = 0;
    float ratio = 0.5f;
    int32_t count = 10000;
    int64_t buffer = 0;   // bytes of lent memory
    int threads = 1;
};

// Runs the merge policy over the index in `dir` as the index writer would.
inline void RunMerge(const std::string& dir, const MergeSettings& settings = MergeSettings(),
                     const std::vector<FixtureField>& fields = MergeFields())
{
    store::CContentDirectory directory(dir, store::CContentDirectory::MODE_OPEN);
    index::CBarrelsInfo barrels;
    if (!barrels.read(directory))
        throw std::runtime_error("no barrel list in " + dir);
    index::FieldFactoryMap factories = FactoriesOf(fields);
    index::CHTIndexMerger merger(&directory);
    merger.setFactorySearcher(&factories);
    merger.setParam(settings.m, settings.c, settings.s);
    merger.setRecycleStrategy(settings.strategy);
    merger.setThreads(settings.threads);
    if (settings.strategy == 1)
        merger.setRecycleRatio(settings.ratio);
    else
        merger.setRecycleCount(settings.count);
    std::vector<char> memory(static_cast<size_t>(settings.buffer));
    if (settings.buffer > 0)
        merger.setBuffer(memory.data(), settings.buffer);
    merger.merge(&barrels);
}

// One document as the index holds it.
struct DocView {
    bool deleted = false;
    // (field, term) -> positions (empty for fields without positions)
    std::map<std::pair<std::string, int32_t>, std::vector<uint32_t>> postings;
    std::vector<std::string> stored;
    std::map<int32_t, int32_t> lengths;   // field id -> known length (B.len)
    bool operator==(const DocView& other) const
    {
        return deleted == other.deleted && postings == other.postings && stored == other.stored &&
               lengths == other.lengths;
    }
};

struct IndexView {
    std::map<std::string, DocView> docs;   // by id
    std::vector<BarrelRecord> barrels;
    size_t withoutRecord = 0;              // documents whose stored entry is -1
};

// Reads the whole index back with the test-side reader; throws on anything
// that does not decode or does not add up.
inline IndexView ViewIndex(const std::string& dir)
{
    IndexView view;
    IndexStatus status = ReadIndexStatus(dir + "/index_status.xml");
    view.barrels = status.barrels;
    for (const BarrelRecord& barrel : status.barrels) {
        std::vector<FieldInfoRecord> fields = ReadFieldInfos(dir + "/" + barrel.name + ".fdi");
        std::vector<StoredDocument> stored = ReadStoredFields(dir, barrel.name, fields);
        DeletedDocs deleted;
        if (FileExists(dir + "/" + barrel.name + ".del"))
            deleted = ReadDeletedDocs(dir + "/" + barrel.name + ".del");
        std::map<int32_t, std::vector<int32_t>> lengths;
        if (FileExists(dir + "/" + barrel.name + ".len"))
            lengths = ReadDocLengths(dir + "/" + barrel.name + ".len");
        std::vector<std::string> ids(stored.size());
        for (size_t doc = 0; doc < stored.size(); ++doc) {
            if (stored[doc].deleted) {
                ++view.withoutRecord;
                continue;
            }
            DocView entry;
            for (const StoredField& field : stored[doc].fields) {
                if (field.fieldId == kIdField)
                    ids[doc] = field.text;
                entry.stored.push_back(std::to_string(field.fieldId) + "=" + field.text);
            }
            entry.deleted = doc < deleted.deleted.size() && deleted.deleted[doc];
            // -1: merged from a barrel that kept no lengths, as good as none.
            for (const auto& [fieldId, column] : lengths) {
                if (doc < column.size() && column[doc] != -1)
                    entry.lengths[fieldId] = column[doc];
            }
            if (!view.docs.emplace(ids[doc], entry).second)
                throw std::runtime_error("document " + ids[doc] + " twice in the index");
        }
        for (const FieldInfoRecord& field : fields) {
            for (const TermPostings& term : ReadFieldPostings(dir, barrel.name, field)) {
                for (size_t k = 0; k < term.docs.size(); ++k) {
                    uint32_t doc = term.docs[k];
                    if (doc >= ids.size() || ids[doc].empty())
                        throw std::runtime_error("barrel " + barrel.name + " field " + field.name +
                                                 ": a posting names a document without record");
                    view.docs[ids[doc]].postings[{field.name, term.term}] =
                        term.withPositions ? term.positions[k] : std::vector<uint32_t>();
                }
            }
        }
    }
    return view;
}

// Every document not deleted before is there after, unchanged and not
// deleted; a deleted document is either kept as it was or gone for good.
inline std::string CompareViews(const IndexView& before, const IndexView& after)
{
    for (const auto& [id, doc] : before.docs) {
        auto found = after.docs.find(id);
        if (found == after.docs.end()) {
            if (!doc.deleted)
                return "document " + id + " lost";
            continue;
        }
        if (!(found->second == doc))
            return "document " + id + " changed";
    }
    for (const auto& [id, doc] : after.docs) {
        if (!before.docs.count(id))
            return "document " + id + " appeared";
    }
    return std::string();
}

} // namespace cs::test
