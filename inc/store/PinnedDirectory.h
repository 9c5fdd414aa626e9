// The files of an index directory as a reader opened them at one moment. Every
// later read goes through the descriptors held from then on, so a file that a
// writer removes or replaces by name afterwards (a merge, a flush) is still
// read as it was opened; a name that was not opened does not exist here.
// Nothing is ever written.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "store/ContentDirectory.h"

namespace cs::store {

class CPinnedDirectory : public CDirectory {
public:
    // `path` must be a directory.
    explicit CPinnedDirectory(const std::string& path);

    // Opens the directory's file `name` and holds it; false when there is no
    // such file (any other failure to open it raises).
    bool pin(const std::string& name);

    std::string getPath() const override { return m_directory.getPath(); }
    std::string getFullPath(const std::string& name) const override { return m_directory.getFullPath(name); }

    // A new input on a held file, at its start.
    CIndexInput* openInput(const std::string& name, char* buffer, int32_t bufsize) override;
    CIndexInput* openInput(const std::string& name) override;
    size_t listFiles(std::vector<std::string>& list, bool recursive = false) override;   // the held ones
    bool fileExists(const std::string& name) const override { return m_files.count(name) != 0; }
    int64_t fileLength(const std::string& name) const override;

    // Not for a reader: these raise.
    CIndexOutput* createOutput(const std::string& name) override;
    int64_t fileModifiedTime(const std::string& name) const override;
    void touchFile(const std::string& name) override;
    void renameFile(const std::string& oldName, const std::string& newName) override;
    void renameFiles(const std::string& oldPattern, const std::string& newPattern, bool recursive = false) override;
    void copyFile(const std::string& srcName, const std::string& dstName) override;
    void copyFiles(const std::string& srcPattern, const std::string& dstPattern) override;
    void removeFile(const std::string& name) override;
    void removeFiles(const std::string& pattern, bool recursive = false) override;

private:
    CIndexInput& held(const std::string& name) const;
    [[noreturn]] void refuse(const char* operation, const std::string& name) const;

    CContentDirectory m_directory;   // names and paths
    std::map<std::string, std::unique_ptr<CIndexInput>> m_files;
};

} // namespace cs::store
