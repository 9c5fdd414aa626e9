// Helpers shared by the test suites.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace cs::test {

// The per-process test root: a fresh directory holding pathconfig.xml, the
// global configuration and the string resources, made the current directory
// before any test runs (so the logger and the configuration find them).
const std::string& TestRoot();

// A new empty directory below the test root.
std::string MakeTempDir(const std::string& tag);

void WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);
std::vector<std::string> ListDir(const std::string& dir);   // sorted names

struct ProcessResult {
    int exitCode = -1;     // exit status, or 128 + signal number
    std::string out;
    std::string err;
};

// Runs a program and waits for it. `cwd` empty keeps the current directory;
// `env` entries ("NAME=value") are added to the environment.
ProcessResult RunProcess(const std::vector<std::string>& argv, const std::string& cwd = std::string(),
                         const std::vector<std::string>& env = {});

// Text of the source tree's file, for tests that use bundled data.
std::string SourcePath(const std::string& relative);

// What this process logs from construction on (every day file of the
// application log directory, so a test that runs over midnight still sees it).
class CLogCapture {
public:
    CLogCapture();
    std::string text() const;
    bool contains(const std::string& piece) const { return text().find(piece) != std::string::npos; }
    // A line of the level ("DEBUG", "INFO", "WARN", "ERROR") holds `message`.
    bool logged(const std::string& level, const std::string& message) const;

private:
    std::string m_dir;
    std::vector<std::pair<std::string, size_t>> m_sizes;
};

} // namespace cs::test
