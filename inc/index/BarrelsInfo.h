// The barrel list of an index, kept in index_status.xml: which barrels make
// up the index, the documents each covers, its deletions, and the content
// mode the index was built with. It is always written to
// "index_status.xml.tmp" first; the caller moves that into place.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "index/BarrelInfo.h"

namespace cs::content {
class CContentMode;
}

namespace cs::store {
class CDirectory;
}

namespace cs::index {

class CBarrelsInfo {
public:
    static constexpr const char* VERSION = "cs.1.0.0";
    static constexpr const char* STATUS_FILE = "index_status.xml";
    // Global document numbers stay below this.
    static constexpr int64_t DOCUMENT_LIMIT = 1000000000;

    CBarrelsInfo();
    virtual ~CBarrelsInfo();
    CBarrelsInfo(const CBarrelsInfo&) = delete;
    CBarrelsInfo& operator=(const CBarrelsInfo&) = delete;

    // Replaces the list by the directory's index_status.xml, read whole in one
    // read: false when there is none or it does not parse; a file that cannot
    // be opened or read whole, and a number that does not convert, raise. An
    // index at the document limit ends the process (exit code 1).
    bool read(store::CDirectory& directory);
    // The same from `text`, the bytes of the list at `path`.
    bool parse(const std::string& text, const std::string& path);
    // Writes "index_status.xml.tmp" (barrel count and counter become the
    // number of barrels) and commits it to disk.
    void write(store::CDirectory& directory);

    // "_<counter>"; the counter moves on, and first past the highest name of
    // a listed barrel.
    std::string newBarrelName();
    CBarrelInfo* addBarrel(const std::string& name, int32_t docStart);
    // Moves the barrel's files B.* to N.*, after closing the files of the
    // barrel writer attached to it.
    void renameBarrel(CBarrelInfo* pBarrel, const std::string& newName, store::CDirectory& directory);
    // Takes the record out of the list, leaving the barrel's files alone.
    std::unique_ptr<CBarrelInfo> takeBarrel(const CBarrelInfo* pBarrel);
    // Appends a record made elsewhere (or taken out before).
    void appendBarrel(std::unique_ptr<CBarrelInfo> pBarrel);
    // Removes the files of the barrel of exactly that name, and its record.
    void deleteBarrel(const std::string& name, store::CDirectory& directory);
    // Removes the files of every barrel and index_status.xml.
    void deleteAll(store::CDirectory& directory);
    // After a merge: barrels by document count, largest first (equal counts
    // keep their order), renamed _0, _1, ... with their document starts
    // recomputed; the list is written and made index_status.xml.
    void renumber(store::CDirectory& directory);

    // The barrels of the index_status.xml at `path` and its version, without
    // the content mode and without logging: an empty text, or what failed
    // ("does not parse", or the message of the number that does not convert).
    static std::string readBarrels(const std::string& path, std::string& version, std::vector<CBarrelInfo>& barrels);
    // The same from `text`, the bytes of a list.
    static std::string parseBarrels(const std::string& text, std::string& version, std::vector<CBarrelInfo>& barrels);
    // Documents and deleted documents summed over the barrels of the
    // index_status.xml at `path`; false when it does not parse or a number
    // does not convert.
    static bool countDocuments(const std::string& path, uint64_t& documents, uint64_t& deleted);

    const std::string& getVersion() const { return m_version; }
    int32_t getBarrelCount() const { return m_barrelCount; }
    int32_t getBarrelCounter() const { return m_barrelCounter; }
    bool isLoaded() const { return m_loaded != 0; }

    size_t size() const { return m_barrels.size(); }
    CBarrelInfo* getBarrel(size_t index) const { return m_barrels[index].get(); }
    // The last barrel, or null.
    CBarrelInfo* last() const { return m_barrels.empty() ? nullptr : m_barrels.back().get(); }

    // The content mode recorded with the list: the one read, or one set by
    // the caller (not owned).
    content::CContentMode* getContentMode() const { return m_pContentMode; }
    void setContentMode(content::CContentMode* pMode);

private:
    std::string m_version = VERSION;
    int32_t m_barrelCount = 0;
    int32_t m_barrelCounter = 0;
    content::CContentMode* m_pContentMode = nullptr;
    std::unique_ptr<content::CContentMode> m_pOwnedMode;   // the mode read from the file
    int m_loaded = 0;
    std::vector<std::unique_ptr<CBarrelInfo>> m_barrels;
};

} // namespace cs::index
