// The process-wide logger: one file per day under the log directory, a fixed
// line header, commit to disk after every line, and strict failure (any
// failure to write ends the process with exit code 1). Threads may log at
// once: each line is written whole, one after the other.
#pragma once

#include <cstdarg>
#include <mutex>
#include <string>
#include <vector>

namespace cs::utility {

enum class LogLevel { DEBUG = 0, INFO = 1, WARN = 2, ERROR = 3 };

// A call site. Building one creates the logger on first use.
struct CLogLocation {
    const char* file;
    int line;
    CLogLocation(const char* sourceFile, int sourceLine);
};

class CLogger {
public:
    static CLogger& instance();

    // The lowest level a message must have to be written (the threshold: 0,
    // everything, until the configuration is read) or heard by the listener.
    static int lowestHeard();

    void write(LogLevel level, const CLogLocation& where, const char* format, va_list args);

    // The application log directory (log directory + program name + "/").
    std::string applicationLogDir() const { return std::string(m_appLogDir, m_appLogDirLength); }

    CLogger(const CLogger&) = delete;
    CLogger& operator=(const CLogger&) = delete;

private:
    CLogger();
    bool sayAdjusted();
    void writeLine(LogLevel level, const char* file, int line, const char* format, ...)
        __attribute__((format(printf, 5, 6)));
    void writeAt(LogLevel level, const char* file, int line, const char* format, va_list args);
    void openDayFile(int year, int month, int day);
    void removeOldFiles();

    static int s_threshold;
    std::mutex m_mutex;   // over the day file and the listener
    int m_fd = -1;
    int m_day = -1;
    char m_appLogDir[4096];
    size_t m_appLogDirLength = 0;
    int m_keepDays = 7;
    std::vector<std::string> m_adjusted;   // WARN texts of settings changed while starting
};

// Called with the message of every WARN and ERROR line, whatever the level
// threshold, while set; null stops it.
using LogListener = void (*)(LogLevel level, const char* message);
void SetLogListener(LogListener listener);

void LogDebug(const CLogLocation& where, const char* format, ...) __attribute__((format(printf, 2, 3)));
void LogInfo(const CLogLocation& where, const char* format, ...) __attribute__((format(printf, 2, 3)));
void LogWarn(const CLogLocation& where, const char* format, ...) __attribute__((format(printf, 2, 3)));
void LogError(const CLogLocation& where, const char* format, ...) __attribute__((format(printf, 2, 3)));

} // namespace cs::utility

#include "utility/Error.h"  // CS_FILE_NAME

#define CS_LOG_LOCATION ::cs::utility::CLogLocation(CS_FILE_NAME, __LINE__)
#define CS_LOG_DEBUG(...) ::cs::utility::LogDebug(CS_LOG_LOCATION, __VA_ARGS__)
#define CS_LOG_INFO(...) ::cs::utility::LogInfo(CS_LOG_LOCATION, __VA_ARGS__)
#define CS_LOG_WARN(...) ::cs::utility::LogWarn(CS_LOG_LOCATION, __VA_ARGS__)
#define CS_LOG_ERROR(...) ::cs::utility::LogError(CS_LOG_LOCATION, __VA_ARGS__)
