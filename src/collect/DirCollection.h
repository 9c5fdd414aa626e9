// The collection of every file below one directory: each file becomes a
// document whose "text" field reads the file, typed by file-type
// identification. It keeps no state between runs, so a second run over the
// same directory indexes every file again (see docs/directory-collection.md).
#pragma once

#include <cstdint>
#include <string>

#include "collect/Collection.h"

namespace cs::collection {

class CDirCollection : public CCollection {
public:
    class CDirCreator : public CCollection::CCreator {
    public:
        CDirCreator() : CCreator("directory") {}
        std::unique_ptr<CCollection> create(const std::string& source, int recreate) const override;
    };

    explicit CDirCollection(const std::string& sourceDir) : m_sourceDir(sourceDir) {}

    // Walks the source directory depth first, in the order the file system
    // lists each directory.
    void collect() override;
    // A missing mode is the invalid argument "pMode".
    void setContentMode(const content::CContentMode* pMode) override;
    // Nothing to save: the collection has no progress to resume.
    void saveStatus() override {}

    const std::string& getSourceDir() const { return m_sourceDir; }

private:
    void walk(const std::string& dir);
    void addFile(const std::string& path);

    std::string m_sourceDir;
    int32_t m_textFieldId = -1;
};

} // namespace cs::collection
