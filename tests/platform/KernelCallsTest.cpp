// Only the POSIX environment calls the kernel for files: a file call anywhere
// else in src/ or main/ would escape the environment a test puts in place.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace {

// Calls on descriptors, which pipes and sockets take too: the rest of the
// platform layer may make them, and include the headers of the calls below.
const std::set<std::string> kDescriptorCalls = {"read", "write", "close"};

// Names a class may well give its own members: a call of one counts only when
// qualified by "::" or "std::".
const std::set<std::string> kCommonNames = {"open", "read", "write", "close", "stat",
                                            "access", "rename", "remove", "link", "truncate"};

const std::set<std::string> kFileCalls = {
    "open", "openat", "creat", "stat", "lstat", "fstat", "fstatat", "statx", "statvfs", "fstatvfs", "access",
    "faccessat", "rename", "renameat", "renameat2", "remove", "unlink", "unlinkat", "mkdir", "mkdirat", "rmdir",
    "link", "linkat", "symlink", "symlinkat", "chmod", "fchmod", "utimensat", "futimens", "utime", "utimes",
    "truncate", "ftruncate", "fsync", "fdatasync", "syncfs", "sync_file_range", "fallocate", "posix_fallocate",
    "lseek", "pread", "pwrite", "preadv", "pwritev", "copy_file_range", "sendfile", "opendir", "fdopendir",
    "readdir", "closedir", "scandir", "nftw", "realpath", "fopen", "freopen", "fdopen", "tmpfile", "mkstemp",
    "mkstemps", "mkostemp", "mkostemps", "mkdtemp", "mmap"};

// Headers that bring the calls above, or streams of their own.
const std::set<std::string> kFileHeaders = {"fcntl.h", "unistd.h", "dirent.h", "sys/stat.h", "sys/statvfs.h",
                                            "sys/mman.h", "sys/sendfile.h", "fstream", "filesystem"};

bool IsWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// The code with comments and literals blanked out, lines kept.
std::string CodeOnly(const std::string& text)
{
    std::string code = text;
    for (size_t i = 0; i < code.size(); ++i) {
        size_t end = i;
        if (code.compare(i, 2, "//") == 0) {
            end = code.find('\n', i);
        } else if (code.compare(i, 2, "/*") == 0) {
            end = code.find("*/", i + 2);
            end = end == std::string::npos ? end : end + 2;
        } else if (code[i] == '"' || code[i] == '\'') {
            for (end = i + 1; end < code.size() && code[end] != code[i]; ++end)
                end += code[end] == '\\' ? 1 : 0;
            ++end;
        } else {
            continue;
        }
        end = std::min(end, code.size());
        for (size_t j = i; j < end; ++j)
            code[j] = code[j] == '\n' ? '\n' : ' ';
        i = end - 1;
    }
    return code;
}

struct Finding {
    int line;
    std::string call;
};

// The file calls the code makes, with the file headers it includes and the
// library functions that open files by name (libxml2's *File, *Filename, *Fd).
// `platformLayer`: code of the platform layer outside the environment.
std::vector<Finding> FileCalls(const std::string& text, bool platformLayer)
{
    std::string code = CodeOnly(text);
    std::vector<Finding> found;
    int line = 1;
    for (size_t i = 0; i < code.size(); ++i) {
        if (code[i] == '\n') {
            ++line;
            continue;
        }
        if (code.compare(i, 8, "#include") == 0) {
            size_t open = code.find('<', i), close = code.find('>', i), eol = code.find('\n', i);
            bool fileHeader = open < eol && close < eol && kFileHeaders.count(code.substr(open + 1, close - open - 1));
            if (fileHeader && !platformLayer)
                found.push_back({line, code.substr(i, close + 1 - i)});
            i = std::min(eol, code.size()) - 1;
            continue;
        }
        if (!IsWordChar(code[i]) || (i > 0 && IsWordChar(code[i - 1])))
            continue;
        size_t end = i;
        while (end < code.size() && IsWordChar(code[end]))
            ++end;
        std::string word = code.substr(i, end - i);
        size_t after = code.find_first_not_of(" \t", end);
        size_t before = i;   // just past what precedes the word
        while (before > 0 && (code[before - 1] == ' ' || code[before - 1] == '\t'))
            --before;
        std::string qualifier;   // "::", "std::" or "CClass::"
        bool member = false;
        if (before >= 2 && code.compare(before - 2, 2, "::") == 0) {
            size_t name = before - 2;
            while (name > 0 && IsWordChar(code[name - 1]))
                --name;
            qualifier = code.substr(name, before - name);
        } else {
            member = (before >= 1 && code[before - 1] == '.') ||
                     (before >= 2 && code.compare(before - 2, 2, "->") == 0);
        }
        bool library = (word.compare(0, 3, "xml") == 0 || word.compare(0, 4, "html") == 0) &&
                       (word.find("File") != std::string::npos || word.compare(word.size() - 2, 2, "Fd") == 0);
        bool call = after < code.size() && code[after] == '(' && !member &&
                    (qualifier == "::" || qualifier == "std::" || (qualifier.empty() && !kCommonNames.count(word)));
        if (library || (call && kFileCalls.count(word)) || (call && !platformLayer && kDescriptorCalls.count(word)))
            found.push_back({line, word});
        i = end - 1;
    }
    return found;
}

} // namespace

TEST(KernelCalls, TheScanFindsFileCallsAndPassesOverMembersCommentsAndText)
{
    struct Case {
        const char* code;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {"int fd = ::open(path.c_str(), O_RDONLY);", {"open"}},
        {"std::FILE* f = std::fopen(name, \"r\");", {"fopen"}},
        {"if (fsync (fd) != 0)", {"fsync"}},
        {"::close(fd); ::write(fd, p, n);", {"close", "write"}},
        {"doc = xmlReadFile(path, nullptr, 0); xmlSaveFormatFileEnc(p, d, e, 1);",
         {"xmlReadFile", "xmlSaveFormatFileEnc"}},
        {"#include <fcntl.h>\n#include <cstdio>", {"#include <fcntl.h>"}},
        {"listing.open(dir); pStream->close(); CSyncOStream::close(); close(); open(name);", {}},
        {"// ::open(path)\n/* fsync(fd) */ Log(\"::unlink(%s)\", '(');", {}},
        {"struct stat st {}; bool rename(); xmlReadMemory(p, n, url, 0, 0);", {}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> calls;
        for (const Finding& finding : FileCalls(c.code, false))
            calls.push_back(finding.call);
        EXPECT_EQ(calls, c.calls) << c.code;
    }
    EXPECT_TRUE(FileCalls("#include <unistd.h>\nssize_t n = ::read(pipe, b, 1);", true).empty());
    EXPECT_EQ(FileCalls("::unlink(path);", true).size(), 1u);
}

TEST(KernelCalls, OnlyThePosixEnvironmentCallsTheKernelForFiles)
{
    const std::string root = CS_SOURCE_DIR;
    size_t scanned = 0;
    for (const char* tree : {"/src", "/main"}) {
        for (const auto& item : std::filesystem::recursive_directory_iterator(root + tree)) {
            std::string path = item.path().string();
            std::string relative = path.substr(root.size() + 1);
            std::string extension = item.path().extension().string();
            if (!item.is_regular_file() || (extension != ".cpp" && extension != ".h"))
                continue;
            std::string name = item.path().filename().string();
            bool platform = relative.compare(0, 13, "src/platform/") == 0 && name.compare(0, 5, "Posix") == 0;
            if (platform && name.compare(0, 8, "PosixEnv") == 0)
                continue;
            ++scanned;
            for (const Finding& finding : FileCalls(cs::test::ReadFile(path), platform))
                ADD_FAILURE() << relative << ":" << finding.line << ": " << finding.call
                              << " (files are reached through platform::Env())";
        }
    }
    EXPECT_GT(scanned, 100u);
}
