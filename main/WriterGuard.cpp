#include "WriterGuard.h"

#include <cstdio>
#include <cstdlib>

#include "platform/Env.h"
#include "utility/Failure.h"
#include "utility/Logger.h"
#include "utility/OsUtility.h"

namespace cs::driver {

using namespace cs::utility;

namespace {

std::string g_resolvedHome;   // set once the home is locked

std::unique_ptr<index::CIndexLock> Lock(const std::string& dir)
{
    auto pLock = std::make_unique<index::CIndexLock>(dir);
    if (pLock->held())
        return pLock;
    if (pLock->holder() == 0)
        ExitWithFailure(1, "CreateMutex() failed at EnsureSingleInstance(): " + pLock->failure());
    std::string refusal = "there is another instance already: " + dir + " is being written by process " +
                          std::to_string(pLock->holder());
    CS_LOG_INFO("%s", refusal.c_str());
    std::fputs((refusal + "\n").c_str(), stderr);
    std::fflush(nullptr);
    std::exit(0);
}

} // namespace

void EnsureSingleInstance()
{
    std::string home = GetAppDir();
    home.pop_back();   // the final separator
    static std::unique_ptr<index::CIndexLock> s_pHome = Lock(home);
    platform::Env().resolvePath(home, g_resolvedHome);
}

std::unique_ptr<index::CIndexLock> LockIndexDirectory(const std::string& dir)
{
    // A second lock of the home's file would be refused by the first.
    std::string resolved;
    if (!g_resolvedHome.empty() && platform::Env().resolvePath(dir, resolved) && resolved == g_resolvedHome)
        return nullptr;
    return Lock(dir);
}

} // namespace cs::driver
