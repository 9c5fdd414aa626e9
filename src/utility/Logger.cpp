#include "utility/Logger.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "platform/Env.h"
#include "platform/Platform.h"
#include "utility/OsUtility.h"
#include "utility/XmlDocument.h"

namespace cs::utility {

int CLogger::s_threshold = 0;

namespace {
LogListener g_listener = nullptr;
}

void SetLogListener(LogListener listener) { g_listener = listener; }

int CLogger::lowestHeard()
{
    return g_listener ? std::min(s_threshold, static_cast<int>(LogLevel::WARN)) : s_threshold;
}

namespace {

const char* const kLevelNames[] = {"DEBUG", "INFO", "WARN", "ERROR"};

// The header names the source file by its base name ("IndexWriter.cpp:336"),
// which a reader can look up; room for a name of 40 characters.
const int kHeaderLimit = 64;

const char* BaseName(const char* path)
{
    const char* slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

// The logger never raises: every failure ends the process at once.
[[noreturn]] void Die(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Die(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
    std::fflush(nullptr);
    std::_Exit(1);
}

bool EndsWithSeparator(const std::string& path)
{
    return !path.empty() && (path.back() == '/' || path.back() == '\\');
}

int ParseLevel(std::string word, bool& known)
{
    known = true;
    for (char& c : word) {
        if (static_cast<unsigned char>(c) < 0x80)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    if (word == "debug" || word == "3") return static_cast<int>(LogLevel::DEBUG);
    if (word == "info" || word == "2") return static_cast<int>(LogLevel::INFO);
    if (word == "warn" || word == "1") return static_cast<int>(LogLevel::WARN);
    if (word == "error" || word == "0") return static_cast<int>(LogLevel::ERROR);
    known = false;
    return static_cast<int>(LogLevel::INFO);
}

} // namespace

CLogLocation::CLogLocation(const char* sourceFile, int sourceLine) : file(sourceFile), line(sourceLine)
{
    CLogger::instance();
}

CLogger& CLogger::instance()
{
    static CLogger logger;
    // The settings the logger adjusted are said once it can write.
    static bool said = logger.sayAdjusted();
    (void)said;
    return logger;
}

bool CLogger::sayAdjusted()
{
    for (const std::string& text : m_adjusted) {
        if (static_cast<int>(LogLevel::WARN) >= lowestHeard())
            writeLine(LogLevel::WARN, CS_FILE_NAME, __LINE__, "%s", text.c_str());
    }
    m_adjusted.clear();
    return true;
}

void CLogger::writeLine(LogLevel level, const char* file, int line, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    writeAt(level, file, line, format, args);
    va_end(args);
}

void CLogger::write(LogLevel level, const CLogLocation& where, const char* format, va_list args)
{
    writeAt(level, where.file, where.line, format, args);
}

CLogger::CLogger()
{
    std::string configPath;
    if (!FindPathConfig(configPath))
        Die("logger: not found pathconfig.xml");
    CXmlDocument pathConfig;
    if (!pathConfig.parseFile(configPath))
        Die("logger: failed to parse %s", configPath.c_str());
    CXmlNode rootNode = pathConfig.select("/pathconfig/root");
    CXmlNode globalNode = pathConfig.select("/pathconfig/GLOBAL_CONFIG_PATH");
    if (!rootNode || !globalNode)
        Die("logger: pathconfig.xml format wrong");
    std::string globalPath = PathConfigRoot(configPath, rootNode.content()) + globalNode.content();
    CXmlDocument global;
    if (!platform::Env().pathAccessible(globalPath))
        Die("logger: global config file not found: %s (%s)", globalPath.c_str(),
            platform::SystemErrorText(platform::LastErrorCode()).c_str());
    if (!global.parseFile(globalPath))
        Die("logger: global config file format wrong: %s (%s)", globalPath.c_str(), global.parseFailure().c_str());

    if (CXmlNode node = global.select("/config/log/maxdays")) {
        int days = std::atoi(node.content().c_str());
        m_keepDays = (days <= 0 || days >= 366) ? 7 : days;
        if (m_keepDays != days)
            m_adjusted.push_back("setting /config/log/maxdays: given \"" + node.content() + "\", using 7");
    }
    if (CXmlNode node = global.select("/config/log/level")) {
        bool known = true;
        s_threshold = ParseLevel(node.content(), known);
        if (!known)
            m_adjusted.push_back("setting /config/log/level: given \"" + node.content() + "\", using info");
    }

    std::string logDir = "log/";
    if (CXmlNode node = global.select("/config/log/path")) {
        std::string configured = node.content();
        if (!configured.empty())
            logDir = EndsWithSeparator(configured) ? configured : configured + '/';
    }
    if (!platform::Env().isDirectory(logDir) && !platform::Env().createOneDirectory(logDir))
        Die("logger: failed to create log directory: %s (%s)", logDir.c_str(), GetLastErrorText().c_str());

    std::string modulePath;
    if (!platform::ModuleFilePath(modulePath))
        Die("logger: GetModuleFileName() failed");
    std::string name = modulePath.substr(modulePath.find_last_of("/\\") + 1);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos)
        name.resize(dot);
    std::string appDir = logDir + name + "/";
    if (appDir.size() >= sizeof(m_appLogDir))
        Die("file name too long: %s", appDir.c_str());
    if (!platform::Env().isDirectory(appDir) && !platform::Env().createOneDirectory(appDir))
        Die("logger: failed to create application log directory");
    std::memcpy(m_appLogDir, appDir.data(), appDir.size());
    m_appLogDirLength = appDir.size();
}

void CLogger::writeAt(LogLevel level, const char* file, int sourceLine, const char* format, va_list args)
{
    time_t now = std::time(nullptr);
    struct tm local {};
    localtime_r(&now, &local);

    // The line is formatted on the stack: no heap memory per line.
    char line[4096];
    int header = std::snprintf(line, sizeof(line), "%02d:%02d:%02d %-5s %s:%-4d ", local.tm_hour, local.tm_min,
                               local.tm_sec, kLevelNames[static_cast<int>(level)], BaseName(file), sourceLine);
    if (header < 0 || header >= kHeaderLimit)
        Die("logger: log type name too long");
    int body = std::vsnprintf(line + header, sizeof(line) - static_cast<size_t>(header), format, args);
    if (body < 0 || header + body >= static_cast<int>(sizeof(line)))
        Die("logger: log info too long");
    int length = header + body;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (g_listener && level >= LogLevel::WARN)
        g_listener(level, line + header);
    if (static_cast<int>(level) < s_threshold)
        return;
    line[length++] = '\n';

    if (m_fd == -1 || m_day != local.tm_mday)
        openDayFile(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    if (!platform::Env().writeAll(m_fd, line, static_cast<size_t>(length)))
        Die("logger: failed to write log info");
    if (!platform::Env().commitFile(m_fd))
        Die("logger: failed to flush log file");
}

void CLogger::openDayFile(int year, int month, int day)
{
    if (m_fd != -1 && !platform::Env().closeFile(m_fd))
        Die("logger: sys_close() failed");
    m_fd = -1;
    char name[64];
    int length = std::snprintf(name, sizeof(name), "%4d-%02d-%02d.log", year, month, day);
    if (length != 14)
        Die("logger: failed to construct application log file name");
    std::string path = applicationLogDir() + name;
    m_fd = platform::Env().openFileForAppend(path);
    if (m_fd == -1)
        Die("logger: failed to open application log file");
    m_day = day;
    removeOldFiles();
}

void CLogger::removeOldFiles()
{
    std::string dir = applicationLogDir();
    std::unique_ptr<platform::CDirListing> pListing = platform::Env().listDirectory(dir);
    if (!pListing)
        Die("failed to opendir: %s (%s)", dir.c_str(), platform::SystemErrorText(platform::LastErrorCode()).c_str());
    std::vector<std::string> days;
    platform::DirEntry entry;
    bool statFailed = false;
    while (pListing->next(entry, statFailed)) {
        std::string path = dir + entry.name;
        if (path.size() >= sizeof(m_appLogDir))
            Die("file name too long: %s", path.c_str());
        if (statFailed)
            Die("failed to get file attribute: %s (%s)", path.c_str(),
                platform::SystemErrorText(platform::LastErrorCode()).c_str());
        size_t dot = entry.name.rfind('.');
        if (!entry.isDirectory && dot != std::string::npos && entry.name.compare(dot, std::string::npos, ".log") == 0)
            days.push_back(entry.name);
    }
    if (days.size() <= static_cast<size_t>(m_keepDays))
        return;
    std::sort(days.begin(), days.end());
    for (size_t i = 0; i < days.size() - static_cast<size_t>(m_keepDays); ++i)
        platform::Env().removeFile(dir + days[i]);
}

#define CS_DEFINE_LOG_ENTRY(function, level)                                        \
    void function(const CLogLocation& where, const char* format, ...)              \
    {                                                                              \
        if (static_cast<int>(level) < CLogger::lowestHeard())                      \
            return;                                                                \
        va_list args;                                                              \
        va_start(args, format);                                                    \
        CLogger::instance().write(level, where, format, args);                     \
        va_end(args);                                                              \
    }

CS_DEFINE_LOG_ENTRY(LogDebug, LogLevel::DEBUG)
CS_DEFINE_LOG_ENTRY(LogInfo, LogLevel::INFO)
CS_DEFINE_LOG_ENTRY(LogWarn, LogLevel::WARN)
CS_DEFINE_LOG_ENTRY(LogError, LogLevel::ERROR)

} // namespace cs::utility
