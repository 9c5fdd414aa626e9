#include "support/TestSupport.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <poll.h>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "collect/Database.h"
#include "config/GlobalConfig.h"
#include "index/IndexLock.h"
#include "utility/Logger.h"

namespace cs::test {

TreeSnapshot SnapshotTree(const std::string& dir)
{
    TreeSnapshot files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
        // The writers' lock holds the id of the last run, even of one that
        // changed nothing else.
        if (!entry.is_regular_file() || entry.path().filename() == cs::index::CIndexLock::FILE_NAME)
            continue;
        struct stat status {};
        ::stat(entry.path().c_str(), &status);
        int64_t mtime = static_cast<int64_t>(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
        files[entry.path().string()] = {ReadFile(entry.path().string()), mtime};
    }
    return files;
}

std::map<std::string, std::string> TreeBytes(const std::string& dir)
{
    std::map<std::string, std::string> tree;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
        std::string path = entry.path().lexically_relative(dir).string();
        if (entry.is_directory())
            tree[path + "/"] = "";
        else
            tree[path] = ReadFile(entry.path().string());
    }
    return tree;
}

uint64_t TreeDigest(const std::string& dir)
{
    uint64_t digest = 14695981039346656037ull;
    auto add = [&](const char* bytes, size_t count) {
        for (size_t i = 0; i < count; ++i)
            digest = (digest ^ static_cast<unsigned char>(bytes[i])) * 1099511628211ull;
    };
    std::vector<std::filesystem::path> paths;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir))
        paths.push_back(entry.path());
    std::sort(paths.begin(), paths.end());
    for (const std::filesystem::path& path : paths) {
        std::string name = path.lexically_relative(dir).string();
        add(name.c_str(), name.size() + 1);
        std::ifstream in(path, std::ios::binary);
        char buffer[65536];
        while (in.read(buffer, sizeof(buffer)) || in.gcount() > 0)
            add(buffer, static_cast<size_t>(in.gcount()));
    }
    return digest;
}

namespace {

std::string g_root;

void MakeDirs(const std::string& path)
{
    for (size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos == path.size() || path[pos] == '/')
            ::mkdir(path.substr(0, pos).c_str(), 0755);
    }
}

// Writes the configuration every test process starts from.
class CTestEnvironment : public ::testing::Environment {
public:
    void SetUp() override { TestRoot(); }
    void TearDown() override
    {
        // A failed run keeps its files for a look at the logs.
        if (::testing::UnitTest::GetInstance()->Passed() && !std::getenv("CS_KEEP_TEST_ROOT")) {
            std::error_code ignored;
            std::filesystem::remove_all(g_root, ignored);
        }
    }
};

[[maybe_unused]] const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new CTestEnvironment);

} // namespace

const std::string& TestRoot()
{
    if (!g_root.empty())
        return g_root;
    // TMPDIR lets a test that runs a copy of its own program keep that copy's
    // files inside its own temporary directory.
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/cstest.XXXXXX";
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    g_root = pattern;
    // Every entry the program looks up; tests write the files they need.
    WriteFile(g_root + "/pathconfig.xml",
              "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<pathconfig>\n"
              "  <root>" + g_root + "</root>\n"
              "  <GLOBAL_CONFIG_PATH>global.xml</GLOBAL_CONFIG_PATH>\n"
              "  <CONFIGURATE_PATH>content_mode.xml</CONFIGURATE_PATH>\n"
              "  <DBINFO_PATH>dbinfo.txt</DBINFO_PATH>\n"
              "  <STRRES_PATH>strres.xml</STRRES_PATH>\n"
              "  <STOPWORD_PATH>stopwords.txt</STOPWORD_PATH>\n"
              "  <DICTIONARY_PATH>dictionary.txt</DICTIONARY_PATH>\n"
              "  <SEARCH_KEYWORDS_CONFIG>search_keywords.xml</SEARCH_KEYWORDS_CONFIG>\n"
              "  <TRASHURL_STRING_CONFIG>trashurl.xml</TRASHURL_STRING_CONFIG>\n"
              "  <OUT_DOC_EXE_PATH>converters/doc2txt</OUT_DOC_EXE_PATH>\n"
              "  <OUT_XLS_EXE_PATH>converters/xls2txt</OUT_XLS_EXE_PATH>\n"
              "  <OUT_PPT_EXE_PATH>converters/ppt2txt</OUT_PPT_EXE_PATH>\n"
              "  <OUT_PDF_EXE_PATH>converters/pdf2txt</OUT_PDF_EXE_PATH>\n"
              "  <PDF_PARAM_FILE_PATH>converters/pdf2txt.cfg</PDF_PARAM_FILE_PATH>\n"
              "</pathconfig>\n");
    WriteFile(g_root + "/global.xml",
              "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<config>\n"
              "  <index><system_status>1</system_status><path>" + g_root + "/index</path></index>\n"
              "  <log><level>debug</level><path>" + g_root + "/log</path></log>\n"
              "</config>\n");
    WriteFile(g_root + "/strres.xml", ReadFile(SourcePath("conf/strres.xml")));
    // The shipped converters, where pathconfig.xml names them: parser tests run the real programs.
    std::filesystem::create_directory_symlink(SourcePath("converters"), g_root + "/converters");
    if (::chdir(g_root.c_str()) != 0)
        throw std::runtime_error("chdir failed");
    static cs::utility::CGlobalConfig config;
    config.load(g_root + "/global.xml");
    cs::utility::g_pGlobalConfig = &config;
    return g_root;
}

std::string MakeTempDir(const std::string& tag)
{
    static int counter = 0;
    std::string dir = TestRoot() + "/" + tag + "." + std::to_string(++counter);
    MakeDirs(dir);
    return dir;
}

CPublicDir::CPublicDir()
{
    char pattern[] = "/tmp/cspublic.XXXXXX";
    if (!::mkdtemp(pattern) || ::chmod(pattern, 0755) != 0)
        throw std::runtime_error("cannot make a public directory");
    m_path = pattern;
}

CPublicDir::~CPublicDir()
{
    // Give back what a test locked, so that everything can be removed.
    std::error_code ignored;
    for (auto it = std::filesystem::recursive_directory_iterator(m_path, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
        if (!it->is_symlink(ignored))
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
    }
    std::filesystem::remove_all(m_path, ignored);
}

void WriteFile(const std::string& path, const std::string& content)
{
    size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0)
        MakeDirs(path.substr(0, slash));
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool FileExists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

void TouchTree(const std::string& dir, int64_t seconds)
{
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
        if (!entry.is_regular_file())
            continue;
        struct timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(seconds), 0}};
        if (::utimensat(AT_FDCWD, entry.path().c_str(), times, 0) != 0)
            throw std::runtime_error("cannot touch " + entry.path().string());
    }
}

std::vector<std::string> ListDir(const std::string& dir)
{
    std::vector<std::string> names;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (dirent* e = ::readdir(d)) {
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
                names.push_back(e->d_name);
        }
        ::closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

size_t Occurrences(const std::string& text, const std::string& piece)
{
    size_t count = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1))
        ++count;
    return count;
}

namespace {

// Forks; the child gets pipes as standard output and error and runs `inChild`,
// which must not return. The parent tells `onStart` the child's id, collects
// both pipes and the exit status, and kills the child (SIGKILL) once
// `killAfterMs` have passed, unless -1.
ProcessResult RunChild(const std::function<void()>& inChild, int killAfterMs = -1,
                       const std::function<void(int)>& onStart = nullptr)
{
    int outPipe[2], errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    std::fflush(nullptr);
    pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(outPipe[1], 1);
        ::dup2(errPipe[1], 2);
        inChild();
        ::_exit(127);
    }
    if (onStart)
        onStart(static_cast<int>(pid));
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    ProcessResult result;
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    int open = 2;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(killAfterMs);
    bool killed = killAfterMs < 0;
    while (open > 0) {
        int timeout = -1;
        if (!killed) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                ::kill(pid, SIGKILL);
                killed = true;
            } else {
                timeout = static_cast<int>(left.count());
            }
        }
        if (::poll(fds, 2, timeout) < 0 && errno != EINTR)
            break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            char buffer[4096];
            ssize_t n = ::read(fds[i].fd, buffer, sizeof(buffer));
            if (n > 0) {
                (i == 0 ? result.out : result.err).append(buffer, static_cast<size_t>(n));
            } else {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

// What the child of RunProcess does.
std::function<void()> Exec(const std::vector<std::string>& argv, const std::string& cwd,
                           const std::vector<std::string>& env)
{
    return [&] {
        if (!cwd.empty() && ::chdir(cwd.c_str()) != 0)
            ::_exit(126);
        for (const std::string& entry : env)
            ::putenv(const_cast<char*>(entry.c_str()));
        std::vector<char*> args;
        for (const std::string& arg : argv)
            args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
    };
}

} // namespace

ProcessResult RunProcess(const std::vector<std::string>& argv, const std::string& cwd,
                         const std::vector<std::string>& env, int killAfterMs)
{
    return RunChild(Exec(argv, cwd, env), killAfterMs);
}

CBackgroundProcess::CBackgroundProcess(const std::vector<std::string>& argv, const std::string& cwd)
{
    std::promise<int> started;
    std::future<int> pid = started.get_future();
    m_thread = std::thread([this, argv, cwd, &started] {
        m_result = RunChild(Exec(argv, cwd, {}), -1, [&started](int child) { started.set_value(child); });
        m_ended = true;
    });
    m_pid = pid.get();
}

CBackgroundProcess::~CBackgroundProcess()
{
    if (m_thread.joinable())
        m_thread.join();
}

ProcessResult CBackgroundProcess::wait()
{
    if (m_thread.joinable())
        m_thread.join();
    return m_result;
}

ProcessResult RunForked(const std::function<void()>& body, bool unprivileged)
{
    return RunChild([&] {
        if (unprivileged && ::geteuid() == 0) {
            // The log lives in the private test root: open it while that is still allowed.
            CS_LOG_DEBUG("test process gives up root");
            if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(125);
        }
        body();
        std::fflush(nullptr);
        ::_exit(0);
    });
}

std::string SourcePath(const std::string& relative) { return std::string(CS_SOURCE_DIR) + "/" + relative; }

CGlobalConfigScope::CGlobalConfigScope(const std::string& body)
    : m_pConfig(std::make_unique<cs::utility::CGlobalConfig>()), m_pPrevious(cs::utility::g_pGlobalConfig)
{
    std::string path = MakeTempDir("global") + "/global.xml";
    WriteFile(path, "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<config>" + body + "</config>\n");
    m_pConfig->load(path);
    cs::utility::g_pGlobalConfig = m_pConfig.get();
}

CGlobalConfigScope::~CGlobalConfigScope() { cs::utility::g_pGlobalConfig = m_pPrevious; }

CLogCapture::CLogCapture() : m_dir(cs::utility::CLogger::instance().applicationLogDir())
{
    for (const std::string& name : ListDir(m_dir))
        m_sizes.emplace_back(name, ReadFile(m_dir + name).size());
}

std::string CLogCapture::text() const
{
    std::string text;
    for (const std::string& name : ListDir(m_dir)) {
        std::string content = ReadFile(m_dir + name);
        size_t start = 0;
        for (const auto& [known, size] : m_sizes) {
            if (known == name)
                start = std::min(size, content.size());
        }
        text += content.substr(start);
    }
    return text;
}

bool CLogCapture::logged(const std::string& level, const std::string& message) const
{
    std::istringstream lines(text());
    std::string line;
    std::string padded = (level + "     ").substr(0, 5);
    while (std::getline(lines, line)) {
        if (line.size() > 14 && line.compare(9, 5, padded) == 0 && line.find(message) != std::string::npos)
            return true;
    }
    return false;
}

const TestDbServer& TestDatabaseServer()
{
    static TestDbServer server;
    if (server.port != 0)
        return server;
    const char* pOverride = std::getenv("CS_MARIADB_ENV");
    std::string envFile = pOverride && *pOverride ? pOverride : CS_MARIADB_ENV;
    std::istringstream lines(ReadFile(envFile));
    std::string line;
    TestDbServer read;
    read.envFile = envFile;
    while (std::getline(lines, line)) {
        size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "CS_DB_HOST")
            read.host = value;
        else if (key == "CS_DB_PORT")
            read.port = std::atoi(value.c_str());
        else if (key == "CS_DB_SOCKET")
            read.socket = value;
        else if (key == "CS_DB_USER")
            read.user = value;
        else if (key == "CS_DB_PASSWORD")
            read.password = value;
    }
    if (read.port == 0)
        throw std::runtime_error("no test database server: run scripts/test-mariadb.sh start " + envFile +
                                 " (ctest does it through the fixture \"mariadb\")");
    server = read;
    return server;
}

CScratchDatabase::CScratchDatabase(const std::string& tag)
{
    static int counter = 0;
    m_name = "cst_" + std::to_string(::getpid()) + "_" + std::to_string(++counter) + "_" + tag;
    const TestDbServer& server = TestDatabaseServer();
    cs::utility::CDatabase db;
    db.connect(server.server(), "", server.user, server.password);
    db.execute("CREATE DATABASE `" + m_name + "` CHARACTER SET utf8mb4");
}

CScratchDatabase::~CScratchDatabase()
{
    try {
        const TestDbServer& server = TestDatabaseServer();
        cs::utility::CDatabase db;
        db.connect(server.server(), "", server.user, server.password);
        db.execute("DROP DATABASE IF EXISTS `" + m_name + "`");
    } catch (const std::exception& e) {
        ADD_FAILURE() << "cannot drop test database " << m_name << ": " << e.what();
    }
}

} // namespace cs::test
