// Turns the documents of one barrel into its files: every indexed field goes
// to its field indexer, every field to the field statistics, the stored
// fields to the stored-fields writer. One object serves the whole run and is
// pointed at the next barrel after each flush (write, close, reset, begin).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "index/fields/FieldFactory.h"
#include "index/fields/FieldIndexer.h"
#include "index/fields/FieldInfoList.h"
#include "index/format/DocLengths.h"
#include "index/stored/StoreFieldsWriter.h"
#include "utility/DocDeleted.h"
#include "utility/MemoryCache.h"

namespace cs::content {
class CContent;
class CContentMode;
}

namespace cs::store {
class CDirectory;
}

namespace cs::index {

class CIndexBarrelWriter {
public:
    // "pDir" and "pMemory" are required; the stored-fields files of the
    // barrel are opened at once.
    CIndexBarrelWriter(const std::string& barrelName, store::CDirectory* pDir, utility::CMemoryCache* pMemory);
    virtual ~CIndexBarrelWriter();
    CIndexBarrelWriter(const CIndexBarrelWriter&) = delete;
    CIndexBarrelWriter& operator=(const CIndexBarrelWriter&) = delete;

    // One indexer slot and one field information per mode item; the mode
    // must outlive the writer.
    void setContentMode(const content::CContentMode* pMode);
    // An indexer, bound to the memory cache, for every field the map names.
    void createFieldIndexers(const FieldFactoryMap& factories);

    // Document `docid` is the barrel's next local number.
    void addDocument(int32_t docid, const content::CContent& content);

    // Writes B.tid, B.did, B.pid, B.fdi and B.len under ".tmp" names.
    void write();
    // Closes the stored-fields files and writes B.del when the barrel has a
    // deleted document.
    void close();
    // Closes the stored-fields files only (before the barrel's files move).
    void closeFiles();
    // Empties every posting and rewinds the memory cache.
    void reset();
    // Points the writer at barrel `name`: new stored-fields files, the
    // barrel's B.del when there is one, field statistics at 0.
    void beginBarrel(const std::string& name);

    const std::string& getBarrelName() const { return m_barrelName; }
    store::CDirectory* getDirectory() const { return m_pDirectory; }
    utility::CMemoryCache* getMemoryCache() const { return m_pMemory; }
    CFieldInfoList& getFieldInfos() { return m_fieldInfos; }
    // The deleted documents of the barrel, or null.
    utility::CDocDeleted* getDocDeleted() const { return m_pDocDeleted.get(); }

private:
    void checkDiskSpace() const;
    void loadDocDeleted();

    store::CDirectory* m_pDirectory;   // not owned
    std::string m_barrelName;
    CStoreFieldsWriter m_storeFieldsWriter;
    CFieldInfoList m_fieldInfos;
    utility::CMemoryCache* m_pMemory;   // not owned
    std::unique_ptr<utility::CDocDeleted> m_pDocDeleted;
    std::vector<std::unique_ptr<CFieldIndexer>> m_fieldIndexers;   // by field id; empty when not indexed
    format::CDocLengths m_lengths;   // of the barrel's documents so far
};

} // namespace cs::index
