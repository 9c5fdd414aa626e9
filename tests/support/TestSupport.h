// Helpers shared by the test suites.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace cs::utility {
class CGlobalConfig;
}

namespace cs::test {

// The per-process test root: a fresh directory holding pathconfig.xml, the
// global configuration, the string resources and converters/ (a link to the
// shipped converter programs), made the current directory
// before any test runs (so the logger and the configuration find them). It is
// made in $TMPDIR, /tmp by default.
const std::string& TestRoot();

// A new empty directory below the test root.
std::string MakeTempDir(const std::string& tag);

void WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);
std::vector<std::string> ListDir(const std::string& dir);   // sorted names
// How often `piece` occurs in `text`.
size_t Occurrences(const std::string& text, const std::string& piece);
// Gives every file below `dir` the modification time `seconds` (since 1970),
// leaving its bytes alone: an incremental run takes each as changed.
void TouchTree(const std::string& dir, int64_t seconds);

// Every regular file below `dir` but the writers' lock files (index.lock), by
// path, with its bytes and its modification time in nanoseconds: two
// snapshots are equal when nothing was changed.
typedef std::map<std::string, std::pair<std::string, int64_t>> TreeSnapshot;
TreeSnapshot SnapshotTree(const std::string& dir);
// Every file and directory below `dir` by its path relative to `dir` (a
// directory's with a final '/'), with a file's bytes: equal for two trees of
// the same names and bytes, whatever their times.
std::map<std::string, std::string> TreeBytes(const std::string& dir);
// A 64-bit digest of the same (FNV-1a), read through a small buffer: for
// tests that compare many trees and must not hold or churn their bytes.
uint64_t TreeDigest(const std::string& dir);

struct ProcessResult {
    int exitCode = -1;     // exit status, or 128 + signal number
    std::string out;
    std::string err;
};

// Runs a program and waits for it. `cwd` empty keeps the current directory;
// `env` entries ("NAME=value") are added to the environment. A program still
// running after `killAfterMs` (unless -1) is killed with SIGKILL.
ProcessResult RunProcess(const std::vector<std::string>& argv, const std::string& cwd = std::string(),
                         const std::vector<std::string>& env = {}, int killAfterMs = -1);

// A program started as RunProcess starts it, running while the test goes on.
class CBackgroundProcess {
public:
    CBackgroundProcess(const std::vector<std::string>& argv, const std::string& cwd = std::string());
    // Waits for the program: whatever holds it must be let go first.
    ~CBackgroundProcess();
    CBackgroundProcess(const CBackgroundProcess&) = delete;
    CBackgroundProcess& operator=(const CBackgroundProcess&) = delete;

    int pid() const { return m_pid; }
    bool ended() const { return m_ended; }
    // Waits for the program's end: what RunProcess would have returned.
    ProcessResult wait();

private:
    std::thread m_thread;
    std::atomic<bool> m_ended{false};
    ProcessResult m_result;
    int m_pid = 0;
};

// A new empty directory in /tmp that every user may enter (the test root is
// private to its owner), removed with its contents at the end of the scope.
class CPublicDir {
public:
    CPublicDir();
    ~CPublicDir();
    CPublicDir(const CPublicDir&) = delete;
    CPublicDir& operator=(const CPublicDir&) = delete;
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

// Runs `body` in a forked copy of this process and waits for it; the copy
// ends with exit code 0 when `body` returns. With `unprivileged`, a copy that
// runs as root first becomes the user and group 65534 (exit code 125 when it
// cannot), so that permission bits hold for it.
ProcessResult RunForked(const std::function<void()>& body, bool unprivileged = false);

// Text of the source tree's file, for tests that use bundled data.
std::string SourcePath(const std::string& relative);

// A global configuration whose <config> element holds `body`, written to a
// file of its own and loaded; it is g_pGlobalConfig while the scope lives.
class CGlobalConfigScope {
public:
    explicit CGlobalConfigScope(const std::string& body);
    ~CGlobalConfigScope();
    CGlobalConfigScope(const CGlobalConfigScope&) = delete;
    CGlobalConfigScope& operator=(const CGlobalConfigScope&) = delete;

    const cs::utility::CGlobalConfig& config() const { return *m_pConfig; }

private:
    std::unique_ptr<cs::utility::CGlobalConfig> m_pConfig;
    cs::utility::CGlobalConfig* m_pPrevious;
};

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

// The private database server of the test run, started by the CTest fixture
// "mariadb" (scripts/test-mariadb.sh). Throws when it does not run.
struct TestDbServer {
    std::string host;
    int port = 0;
    std::string socket;
    std::string user;
    std::string password;
    std::string envFile;    // the settings file the script wrote
    std::string server() const { return host + ", " + std::to_string(port); }
};
const TestDbServer& TestDatabaseServer();

// A database of its own for one test, dropped again when the object goes.
class CScratchDatabase {
public:
    explicit CScratchDatabase(const std::string& tag);
    ~CScratchDatabase();
    CScratchDatabase(const CScratchDatabase&) = delete;
    CScratchDatabase& operator=(const CScratchDatabase&) = delete;
    const std::string& name() const { return m_name; }

private:
    std::string m_name;
};

// The message of the `E` that `f` raises, without the " (file: ... line: ...)"
// that ThrowError appends; "<nothing raised>" when it returns normally.
template <class E, class F>
std::string RaisedMessage(F&& f)
{
    try {
        f();
    } catch (const E& e) {
        std::string text = e.what();
        size_t site = text.rfind(" (file: ");
        return site == std::string::npos ? text : text.substr(0, site);
    }
    return "<nothing raised>";
}

} // namespace cs::test
