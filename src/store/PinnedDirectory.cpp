#include "store/PinnedDirectory.h"

#include "store/SyncIStream.h"
#include "utility/Error.h"

namespace cs::store {

CPinnedDirectory::CPinnedDirectory(const std::string& path) : m_directory(path, CContentDirectory::MODE_OPEN) {}

bool CPinnedDirectory::pin(const std::string& name)
{
    if (fileExists(name))
        return true;
    std::unique_ptr<CSyncIStream> pStream = CSyncIStream::openExisting(getFullPath(name));
    if (!pStream)
        return false;
    m_files.emplace(name, std::move(pStream));
    return true;
}

CIndexInput& CPinnedDirectory::held(const std::string& name) const
{
    auto found = m_files.find(name);
    // A reader opens only what it held when the index was read.
    if (found == m_files.end())
        CS_THROW("failed to open file: %s (not a file of the index as it was read)", getFullPath(name).c_str());
    return *found->second;
}

CIndexInput* CPinnedDirectory::openInput(const std::string& name, char* buffer, int32_t bufsize)
{
    return held(name).clone(buffer, bufsize);
}

CIndexInput* CPinnedDirectory::openInput(const std::string& name) { return held(name).clone(); }

size_t CPinnedDirectory::listFiles(std::vector<std::string>& list, bool)
{
    list.clear();
    for (const auto& entry : m_files)
        list.push_back(getFullPath(entry.first));
    return list.size();
}

int64_t CPinnedDirectory::fileLength(const std::string& name) const { return held(name).length(); }

void CPinnedDirectory::refuse(const char* operation, const std::string& name) const
{
    CS_THROW("cannot %s %s: the index is open for reading only", operation, getFullPath(name).c_str());
}

CIndexOutput* CPinnedDirectory::createOutput(const std::string& name) { refuse("create", name); }
int64_t CPinnedDirectory::fileModifiedTime(const std::string& name) const { refuse("take the time of", name); }
void CPinnedDirectory::touchFile(const std::string& name) { refuse("touch", name); }
void CPinnedDirectory::renameFile(const std::string& oldName, const std::string&) { refuse("rename", oldName); }
void CPinnedDirectory::renameFiles(const std::string& oldPattern, const std::string&, bool)
{
    refuse("rename", oldPattern);
}
void CPinnedDirectory::copyFile(const std::string& srcName, const std::string&) { refuse("copy", srcName); }
void CPinnedDirectory::copyFiles(const std::string& srcPattern, const std::string&) { refuse("copy", srcPattern); }
void CPinnedDirectory::removeFile(const std::string& name) { refuse("remove", name); }
void CPinnedDirectory::removeFiles(const std::string& pattern, bool) { refuse("remove", pattern); }

} // namespace cs::store
