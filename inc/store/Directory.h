// The directory of one index: creates, opens, lists, renames and removes the
// index files by names relative to it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "store/IndexInput.h"
#include "store/IndexOutput.h"

namespace cs::store {

class CDirectory {
public:
    virtual ~CDirectory() = default;

    // The directory path, ending in a separator.
    virtual std::string getPath() const = 0;
    virtual std::string getFullPath(const std::string& name) const = 0;

    // The caller owns the streams. The first form reads through the caller's
    // buffer, which must outlive the input.
    virtual CIndexInput* openInput(const std::string& name, char* buffer, int32_t bufsize) = 0;
    virtual CIndexInput* openInput(const std::string& name) = 0;
    virtual CIndexOutput* createOutput(const std::string& name) = 0;

    // Replaces `list` with the full paths of the files (not directories);
    // returns their number.
    virtual size_t listFiles(std::vector<std::string>& list, bool recursive = false) = 0;
    // The names, without the directory, of the files directly in it.
    std::vector<std::string> listFileNames()
    {
        std::vector<std::string> names;
        listFiles(names);
        for (std::string& name : names)
            name.erase(0, name.find_last_of('/') + 1);
        return names;
    }

    // The bytes of a (small) file.
    std::string readFile(const std::string& name)
    {
        std::unique_ptr<CIndexInput> pInput(openInput(name));
        std::string bytes(static_cast<size_t>(pInput->length()), '\0');
        if (!bytes.empty())
            pInput->readBytes(bytes.data(), pInput->length());
        return bytes;
    }

    virtual bool fileExists(const std::string& name) const = 0;
    virtual int64_t fileLength(const std::string& name) const = 0;
    virtual int64_t fileModifiedTime(const std::string& name) const = 0;   // seconds since 1970
    virtual void touchFile(const std::string& name) = 0;

    // Patterns are a plain name or prefix*suffix, matched against file names.
    // An existing target is replaced.
    virtual void renameFile(const std::string& oldName, const std::string& newName) = 0;
    virtual void renameFiles(const std::string& oldPattern, const std::string& newPattern,
                             bool recursive = false) = 0;

    virtual void copyFile(const std::string& srcName, const std::string& dstName) = 0;
    virtual void copyFiles(const std::string& srcPattern, const std::string& dstPattern) = 0;

    virtual void removeFile(const std::string& name) = 0;
    virtual void removeFiles(const std::string& pattern, bool recursive = false) = 0;
};

} // namespace cs::store
