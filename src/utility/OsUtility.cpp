#include "utility/OsUtility.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/Env.h"
#include "platform/Platform.h"
#include "utility/Error.h"
#include "utility/Logger.h"
#include "utility/StringResource.h"

namespace cs::utility {

void ExitWithMessage(const std::string& message)
{
    std::fputs((message + "\n").c_str(), stderr);
    std::fflush(nullptr);
    std::exit(1);
}

void DumpLastError(const std::string& text)
{
    std::string line = text + "\n";
    std::fflush(stdout);
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    std::string path;
    if (!platform::ModuleFilePath(path))
        ExitWithMessage("GetModuleFileName() failed at DumpLastError()");
    size_t slash = path.find_last_of("/\\");
    if (slash == std::string::npos)
        ExitWithMessage("unexpected module file path: " + path);
    path.replace(slash + 1, std::string::npos, "errorreport.txt");
    int fd = platform::Env().createTruncated(path, platform::Readers::Everyone);
    if (fd == -1)
        ExitWithMessage("CreateFile() failed at DumpLastError(): " + GetLastErrorText());
    if (!platform::Env().writeAll(fd, text.data(), text.size()))
        ExitWithMessage("WriteFile() failed at DumpLastError(): " + GetLastErrorText());
    platform::Env().closeFile(fd);
    CS_LOG_ERROR("%s", text.c_str());
    std::exit(3);
}

std::string GetAppFilePath()
{
    std::string path;
    if (!platform::ModuleFilePath(path))
        ExitWithMessage("GetModuleFileName() failed at GetAppFilePath()");
    return path;
}

std::string GetAppFileName()
{
    std::string path = GetAppFilePath();
    return path.substr(path.find_last_of("/\\") + 1);
}

std::string GetAppDir()
{
    std::string path = GetAppFilePath();
    return path.substr(0, path.find_last_of("/\\") + 1);
}

int64_t GetDiskSpace(const std::string& path)
{
    uint64_t mib = 0;
    if (!platform::Env().freeDiskSpaceMiB(path, mib))
        ExitWithMessage("failed to get free disk space (" + path + ") at GetDiskSpace(): " + GetLastErrorText());
    return static_cast<int64_t>(mib);
}

std::string GetLastErrorText()
{
    int code = platform::LastErrorCode();
    if (code == 0)
        return std::string();
    std::string text;
    if (platform::IsDiskFullError(code) && CStringResource::instance().find("IDR_LACK_DISKSPACE", text))
        return text;
    return platform::SystemErrorText(code);
}

bool ReadFileIfExists(const std::string& path, std::string& text)
{
    bool opened = false;
    if (platform::Env().readWholeFile(path, text, &opened))
        return true;
    if (!opened && platform::IsMissingFileError(platform::LastErrorCode()))
        return false;
    CS_THROW("failed to read %s (%s)", path.c_str(), GetLastErrorText().c_str());
}

void CreateDirectoryPrefixes(const std::string& path)
{
    std::string full = path;
    if (full.empty() || (full.back() != '/' && full.back() != '\\'))
        full += '/';
    for (size_t separator = full.find_first_of("/\\"); separator != std::string::npos;
         separator = full.find_first_of("/\\", separator + 1)) {
        std::string prefix = full.substr(0, separator);
        if (!prefix.empty() && !platform::Env().isDirectory(prefix))
            platform::Env().createOneDirectory(prefix);
    }
}

bool FindPathConfig(std::string& path)
{
    path = GetAppDir() + "pathconfig.xml";
    if (platform::Env().pathAccessible(path))
        return true;
    path = "pathconfig.xml";
    return platform::Env().pathAccessible(path);
}

std::string PathConfigRoot(const std::string& file, const std::string& root)
{
    std::string full = root;
    if (!full.empty() && full.back() != '/' && full.back() != '\\')
        full += '/';
    if (!full.empty() && full[0] == '/')
        return full;
    size_t slash = file.find_last_of('/');
    return slash == std::string::npos ? full : file.substr(0, slash + 1) + full;
}

namespace {
std::string g_faultLine;   // made before any fault: a handler allocates nothing

void OnFault(const char* text)
{
    std::fwrite(g_faultLine.data(), 1, g_faultLine.size(), stderr);
    CS_LOG_ERROR("%s", text);
}
} // namespace

void InstallProcessFaultHandlers()
{
    g_faultLine = GetAppFileName() + ": os exception: SEH exception (a fault of the program; the log has its last steps)\n";
    platform::InstallFaultHandlers(OnFault);
}

} // namespace cs::utility
