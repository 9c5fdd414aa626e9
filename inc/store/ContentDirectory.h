// An index directory on the local file system.
#pragma once

#include "store/Directory.h"

namespace cs::store {

class CContentDirectory : public CDirectory {
public:
    enum Mode {
        MODE_OPEN = 0,       // the directory must exist
        MODE_CREATE = 1,     // created, with its parents, when missing
        MODE_RECREATE = 2,   // emptied: removed and created again
    };

    // "\" is taken as a separator like "/"; the path gets a final "/".
    CContentDirectory(const std::string& path, int mode);

    std::string getPath() const override { return m_path; }
    std::string getFullPath(const std::string& name) const override;

    CIndexInput* openInput(const std::string& name, char* buffer, int32_t bufsize) override;
    CIndexInput* openInput(const std::string& name) override;
    CIndexOutput* createOutput(const std::string& name) override;

    size_t listFiles(std::vector<std::string>& list, bool recursive = false) override;

    bool fileExists(const std::string& name) const override;
    int64_t fileLength(const std::string& name) const override;
    int64_t fileModifiedTime(const std::string& name) const override;
    void touchFile(const std::string& name) override;

    void renameFile(const std::string& oldName, const std::string& newName) override;
    void renameFiles(const std::string& oldPattern, const std::string& newPattern,
                     bool recursive = false) override;

    void copyFile(const std::string& srcName, const std::string& dstName) override;
    void copyFiles(const std::string& srcPattern, const std::string& dstPattern) override;

    void removeFile(const std::string& name) override;
    void removeFiles(const std::string& pattern, bool recursive = false) override;

private:
    void createDirectory() const;
    std::string checkedPath(const std::string& name) const;   // the full path of a checked name

    std::string m_path;
};

} // namespace cs::store
