#include "index/IndexLock.h"

#include <cerrno>

#include "platform/Env.h"
#include "platform/Platform.h"
#include "utility/OsUtility.h"

namespace cs::index {

namespace {

std::string LockPath(const std::string& dir)
{
    return dir + (!dir.empty() && dir.back() == '/' ? "" : "/") + CIndexLock::FILE_NAME;
}

} // namespace

CIndexLock::CIndexLock(const std::string& dir)
{
    const std::string path = LockPath(dir);
    m_fd = platform::Env().lockFile(path, m_holder);
    if (m_fd == -1 && platform::LastErrorCode() != EWOULDBLOCK)
        m_failure = path + " (" + utility::GetLastErrorText() + ")";
}

CIndexLock::~CIndexLock()
{
    if (m_fd != -1)
        platform::Env().closeFile(m_fd);
}

int FindIndexWriter(const std::string& dir) { return platform::Env().lockHolder(LockPath(dir)); }

} // namespace cs::index
