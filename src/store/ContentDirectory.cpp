#include "store/ContentDirectory.h"

#include <climits>
#include <functional>

#include "platform/Env.h"
#include "store/SyncIStream.h"
#include "store/SyncOStream.h"
#include "utility/Error.h"
#include "utility/Format.h"
#include "utility/Logger.h"
#include "utility/OsUtility.h"

namespace cs::store {

using utility::ExitWithMessage;
using utility::Format;
using utility::GetLastErrorText;

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// Paths the indexer builds use "/"; a "\" from a configuration means the same.
std::string WithSlashes(std::string path)
{
    for (char& c : path) {
        if (c == '\\')
            c = '/';
    }
    return path;
}

// A name is relative to the directory and stays inside it: no root, no drive
// letter, no ".." step.
bool check_path(const std::string& path)
{
    if (!path.empty() && IsSeparator(path[0]))
        return false;
    if (path.size() >= 2 && path[1] == ':')
        return false;
    for (size_t start = 0; start <= path.size();) {
        size_t end = path.find_first_of("/\\", start);
        if (end == std::string::npos)
            end = path.size();
        if (end - start == 2 && path.compare(start, 2, "..") == 0)
            return false;
        start = end + 1;
    }
    return true;
}

// A plain name, or prefix*suffix.
class CNamePattern {
public:
    explicit CNamePattern(const std::string& text) : m_text(text)
    {
        size_t star = text.find('*');
        if (star != std::string::npos) {
            m_length = text.size();
            m_prefixLength = star;
            m_suffixLength = text.size() - star - 1;
        }
    }

    bool hasStar() const { return m_length != 0; }

    bool matches(const std::string& name) const
    {
        if (!hasStar())
            return name == m_text;
        return name.size() >= m_prefixLength + m_suffixLength &&
               name.compare(0, m_prefixLength, m_text, 0, m_prefixLength) == 0 &&
               name.compare(name.size() - m_suffixLength, m_suffixLength, m_text, m_length - m_suffixLength,
                            m_suffixLength) == 0;
    }

    // The part of a matching name that the '*' stands for.
    std::string covered(const std::string& name) const
    {
        return name.substr(m_prefixLength, name.size() - m_prefixLength - m_suffixLength);
    }

    // This pattern with its '*' replaced by `part`; the pattern itself without one.
    std::string expand(const std::string& part) const
    {
        if (!hasStar())
            return m_text;
        return m_text.substr(0, m_prefixLength) + part + m_text.substr(m_prefixLength + 1);
    }

private:
    std::string m_text;
    size_t m_length = 0;   // 0 without '*'
    size_t m_prefixLength = 0;
    size_t m_suffixLength = 0;
};

// Called with the entry's directory (ending in "/"), its name and its kind.
using WalkAction = std::function<void(const std::string& dir, const std::string& name, bool isDirectory)>;

// Visits the files below `dir` (ending in "/"), then, when asked, the directory
// itself. Entries are read in full before any is acted on, so that renaming or
// removing them cannot disturb the listing. The walk cannot report a failure
// to its caller: it ends the process.
void Walk(const std::string& dir, bool recursive, bool includeDirectories, const WalkAction& action)
{
    std::vector<platform::DirEntry> entries;
    {
        std::unique_ptr<platform::CDirListing> pListing = platform::Env().listDirectory(dir);
        if (!pListing)
            ExitWithMessage(Format("failed to opendir: %s (%s)", dir.c_str(), GetLastErrorText().c_str()));
        platform::DirEntry entry;
        bool statFailed = false;
        while (pListing->next(entry, statFailed)) {
            std::string path = dir + entry.name;
            if (path.size() > PATH_MAX - 1)
                ExitWithMessage(Format("file name too long: %s", path.c_str()));
            if (statFailed)
                ExitWithMessage(
                    Format("failed to get file attribute: %s (%s)", path.c_str(), GetLastErrorText().c_str()));
            entries.push_back(entry);
        }
    }
    for (const platform::DirEntry& entry : entries) {
        if (!entry.isDirectory)
            action(dir, entry.name, false);
        else if (recursive)
            Walk(dir + entry.name + "/", recursive, includeDirectories, action);
    }
    // The file-system root itself is never handed over.
    if (includeDirectories && dir != "/") {
        std::string self = dir.substr(0, dir.size() - 1);
        size_t slash = self.find_last_of('/');
        action(self.substr(0, slash + 1), self.substr(slash + 1), true);
    }
}

void RemoveMatching(const std::string& root, const std::string& pattern, bool recursive, bool includeDirectories)
{
    CNamePattern match(pattern);
    Walk(root, recursive, includeDirectories, [&](const std::string& dir, const std::string& name, bool isDirectory) {
        if (!match.matches(name))
            return;
        std::string path = dir + name;
        if (!platform::Env().makeWritable(path))
            CS_THROW("failed to chmod file: %s (%s)", path.c_str(), GetLastErrorText().c_str());
        if (!(isDirectory ? platform::Env().removeDirectory(path) : platform::Env().removeFile(path)))
            CS_THROW("failed to remove %s (%s)", path.c_str(), GetLastErrorText().c_str());
    });
}

} // namespace

CContentDirectory::CContentDirectory(const std::string& path, int mode)
{
    if (path.empty())
        CS_THROW("directory path is empty");
    CS_ASSERT_ARG(mode >= MODE_OPEN && mode <= MODE_RECREATE);
    m_path = WithSlashes(path);
    if (m_path.back() != '/')
        m_path += '/';
    if (!platform::Env().isDirectory(m_path)) {
        if (mode == MODE_OPEN)
            CS_THROW("directory: %s is not exist", m_path.c_str());
        createDirectory();
    } else if (mode == MODE_RECREATE) {
        CS_LOG_DEBUG("remove directory: %s...", m_path.c_str());
        RemoveMatching(m_path, "*", true, true);
        CS_LOG_DEBUG("remove directory end");
        createDirectory();
    }
}

void CContentDirectory::createDirectory() const
{
    CS_LOG_DEBUG("create directory: %s...", m_path.c_str());
    for (size_t end = m_path.find('/', 1); end != std::string::npos; end = m_path.find('/', end + 1)) {
        std::string prefix = m_path.substr(0, end);
        if (platform::Env().isDirectory(prefix))
            continue;
        // Someone else may have made it in the meantime.
        if (!platform::Env().createOneDirectory(prefix) && !platform::Env().isDirectory(prefix))
            CS_THROW("failed to create directory: %s (%s)", prefix.c_str(), GetLastErrorText().c_str());
    }
    CS_LOG_DEBUG("create directory end");
}

std::string CContentDirectory::checkedPath(const std::string& name) const
{
    CS_ASSERT_ARG(check_path(name));
    return m_path + WithSlashes(name);
}

std::string CContentDirectory::getFullPath(const std::string& name) const
{
    CS_ASSERT_ARG_TEXT(check_path(name), "check_path(path)");
    return m_path + WithSlashes(name);
}

CIndexInput* CContentDirectory::openInput(const std::string& name, char* buffer, int32_t bufsize)
{
    return new CSyncIStream(checkedPath(name), buffer, bufsize);
}

CIndexInput* CContentDirectory::openInput(const std::string& name)
{
    return new CSyncIStream(checkedPath(name));
}

CIndexOutput* CContentDirectory::createOutput(const std::string& name)
{
    return new CSyncOStream(checkedPath(name));
}

size_t CContentDirectory::listFiles(std::vector<std::string>& list, bool recursive)
{
    list.clear();
    Walk(m_path, recursive, false,
         [&list](const std::string& dir, const std::string& name, bool) { list.push_back(dir + name); });
    return list.size();
}

bool CContentDirectory::fileExists(const std::string& name) const
{
    return platform::Env().pathAccessible(checkedPath(name));
}

int64_t CContentDirectory::fileLength(const std::string& name) const
{
    std::string path = checkedPath(name);
    int64_t length = -1;
    if (!platform::Env().fileLength(path, length) || length == -1)
        CS_THROW("failed to get file length: %s (%s)", path.c_str(), GetLastErrorText().c_str());
    return length;
}

int64_t CContentDirectory::fileModifiedTime(const std::string& name) const
{
    std::string path = checkedPath(name);
    int64_t seconds = 0;
    if (!platform::Env().fileModifiedTime(path, seconds))
        CS_THROW("failed to get file attribute: %s (%s)", path.c_str(), GetLastErrorText().c_str());
    return seconds;
}

void CContentDirectory::touchFile(const std::string& name)
{
    std::string path = checkedPath(name);
    if (!platform::Env().touchFile(path))
        CS_THROW("failed to set file modify time: %s (%s)", path.c_str(), GetLastErrorText().c_str());
}

void CContentDirectory::renameFile(const std::string& oldName, const std::string& newName)
{
    CS_ASSERT_ARG_TEXT(check_path(oldName) && check_path(newName), "check_path(old_path) && check_path(new_path)");
    std::string from = m_path + WithSlashes(oldName);
    std::string to = m_path + WithSlashes(newName);
    if (!platform::Env().moveFileReplace(from, to))
        CS_THROW("failed to rename %s to %s (%s)", from.c_str(), to.c_str(), GetLastErrorText().c_str());
    CS_LOG_INFO("rename file : %s to file : %s", from.c_str(), to.c_str());
}

void CContentDirectory::renameFiles(const std::string& oldPattern, const std::string& newPattern, bool recursive)
{
    CS_ASSERT_ARG_TEXT(check_path(oldPattern) && check_path(newPattern),
                       "check_path(old_pattern) && check_path(new_pattern)");
    CNamePattern from(oldPattern);
    CNamePattern to(newPattern);
    Walk(m_path, recursive, false, [&](const std::string& dir, const std::string& name, bool) {
        if (!from.matches(name))
            return;
        std::string oldPath = dir + name;
        std::string newPath = dir + to.expand(from.covered(name));
        if (!platform::Env().moveFileReplace(oldPath, newPath))
            CS_THROW("failed to rename %s to %s (%s)", oldPath.c_str(), newPath.c_str(), GetLastErrorText().c_str());
        CS_LOG_INFO("operator () rename file : %s to file : %s", oldPath.c_str(), newPath.c_str());
    });
}

void CContentDirectory::copyFile(const std::string& srcName, const std::string& dstName)
{
    CS_ASSERT_ARG_TEXT(check_path(srcName) && check_path(dstName), "check_path(src_path) && check_path(dst_path)");
    CS_ASSERT_OP_TEXT(false, "FALSE && \"not support\"");
}

void CContentDirectory::copyFiles(const std::string& srcPattern, const std::string& dstPattern)
{
    CS_ASSERT_ARG_TEXT(check_path(srcPattern) && check_path(dstPattern),
                       "check_path(src_pattern) && check_path(dst_pattern)");
    CS_ASSERT_OP_TEXT(false, "FALSE && \"not support\"");
}

void CContentDirectory::removeFile(const std::string& name)
{
    std::string path = checkedPath(name);
    if (!platform::Env().removeFile(path))
        CS_THROW("failed to remove file: %s (%s)", path.c_str(), GetLastErrorText().c_str());
}

void CContentDirectory::removeFiles(const std::string& pattern, bool recursive)
{
    CS_ASSERT_ARG(check_path(pattern));
    RemoveMatching(m_path, pattern, recursive, false);
}

} // namespace cs::store
