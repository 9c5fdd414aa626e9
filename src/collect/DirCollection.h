// The collection of every file below one directory: each file becomes a
// document whose "text" field reads the file, typed by file-type
// identification, with its path in "path" and its modification time in
// "date". A run takes only what changed since the last one: it keeps the
// files it took in a state file beside the index, skips unchanged files
// without reading them, indexes new and changed ones and deletes the
// documents of changed and removed files (see docs/directory-collection.md).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "collect/Collection.h"
#include "collect/DirRunSummary.h"
#include "collect/DirState.h"

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
    // lists each directory, deletes the documents of the files gone, then
    // indexes the new and changed files in the order of the walk and commits
    // what is pending. The deletions go with the first commit: a renamed file
    // is never in the index under both names.
    void collect() override;
    // A missing mode is the invalid argument "pMode".
    void setContentMode(const content::CContentMode* pMode) override;
    // Writes the state as it stands: every file taken so far in this run,
    // and the earlier run's record of every other file.
    void saveStatus() override;
    void documentAdded(const content::CContent& content, int32_t docNumber) override;
    void documentDropped(const content::CContent& content) override;
    void documentsRenumbered(const index::CDocumentMap& documents) override;

    const std::string& getSourceDir() const { return m_sourceDir; }
    const CDirRunSummary& summary() const { return m_summary; }

private:
    struct CCurrentFile {
        std::string path;
        platform::FileStatus status;
        bool known = false;   // an earlier run took it
    };

    void loadState();
    int64_t indexDocuments() const;
    void walk(const std::string& dir);
    void meetFile(const std::string& path, const platform::FileStatus& status);
    void takeFile(const CCurrentFile& file);
    void beginFile(const CCurrentFile& file);
    void removeUnseen();

    std::string m_sourceDir;
    bool m_loaded = false;
    bool m_changed = false;   // since the state was last written
    CDirState m_state;
    CDirRunSummary m_summary;
    std::vector<CCurrentFile> m_toTake;   // new and changed files, in walk order
    CCurrentFile m_current;               // whose document the writer is on
    int32_t m_textFieldId = -1;
    int32_t m_pathFieldId = -1;
    int32_t m_dateFieldId = -1;
};

} // namespace cs::collection
