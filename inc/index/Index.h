// The handle on one database's index directory: opens, creates or wipes it,
// reads the barrel list, checks the index format version, and says which
// content mode and which field kinds are in force.
#pragma once

#include <memory>
#include <string>

#include "index/BarrelsInfo.h"
#include "index/fields/FieldFactory.h"
#include "store/ContentDirectory.h"

namespace cs::content {
class CContentMode;
}

namespace cs::index {

class CIndex {
public:
    // Open modes.
    static constexpr int ACCESS_CREATE = 0;   // a new, empty index (an existing one is wiped)
    static constexpr int ACCESS_APPEND = 1;   // open for indexing, created when missing
    static constexpr int ACCESS_READ = 2;     // an existing index (merge only)

    // The marker made and removed in the program's directory while an index
    // is wiped.
    static constexpr const char* DELETE_MARKER = "index.delete";

    CIndex(int openMode, const std::string& path);
    virtual ~CIndex();
    CIndex(const CIndex&) = delete;
    CIndex& operator=(const CIndex&) = delete;

    store::CDirectory* getDirectory() const { return m_pDirectory.get(); }
    CBarrelsInfo* getBarrelsInfo() const { return m_pBarrelsInfo.get(); }
    int getOpenMode() const { return m_openMode; }

    // The configurator's content mode, which takes precedence over the one
    // index_status.xml records; not owned.
    void setContentMode(content::CContentMode* pMode) { m_pContentMode = pMode; }
    // The mode in force: the one set, else the one read with the barrel list
    // (null when there is neither).
    content::CContentMode* getContentMode() const;

    // The field kind of each indexed field of the mode in force, built on
    // first use.
    const FieldFactoryMap& getFieldFactories();

    void setModified() { m_modified = 1; }
    bool isModified() const { return m_modified != 0; }

private:
    static void wipeMarker();
    static void wipeFiles(const std::string& path);
    void buildFieldFactories();

    std::unique_ptr<store::CContentDirectory> m_pDirectory;
    std::unique_ptr<CBarrelsInfo> m_pBarrelsInfo;
    int m_modified = 0;
    content::CContentMode* m_pContentMode = nullptr;   // not owned
    std::unique_ptr<FieldFactoryMap> m_pFieldFactories;
    int m_openMode;
};

} // namespace cs::index
