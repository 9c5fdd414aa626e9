// The platform layer: every operating-system service the indexer relies on,
// behind one small set of functions. This is the only place of the tree that
// talks to the kernel directly; the rest of the system calls these.
#pragma once

#include <cstdint>
#include <string>

namespace cs::platform {

// ---- process -------------------------------------------------------------

// Full path of the running program; false when the system cannot tell.
bool ModuleFilePath(std::string& path);

enum class SingletonResult { Acquired, AlreadyRunning, Failed };

// Takes a machine-wide lock of the given name that lives as long as the
// process (and vanishes with it, however it ends).
SingletonResult AcquireNamedMutex(const std::string& name);

// Called from a fault handler with the fault's description; it must not return.
using FaultCallback = void (*)(const char* text);

// Turns hardware faults (SIGSEGV, SIGFPE, SIGBUS, SIGILL) into a call of
// `callback`; the process ends with exit code -1 should the callback return.
void InstallFaultHandlers(FaultCallback callback);

// ---- errors --------------------------------------------------------------

int LastErrorCode();
void SetLastErrorCode(int code);
std::string SystemErrorText(int code);
bool IsDiskFullError(int code);

// ---- files ---------------------------------------------------------------

bool PathAccessible(const std::string& path);
bool IsDirectory(const std::string& path);
bool CreateOneDirectory(const std::string& path);
bool CommitFile(int fd);
bool MoveFileReplace(const std::string& from, const std::string& to);
bool RemoveFile(const std::string& path);

// Free space, in MiB, of the file system holding `path`. The path need not
// exist: the nearest existing parent directory is asked.
bool FreeDiskSpaceMiB(const std::string& path, uint64_t& mib);

// ---- directory listing ---------------------------------------------------

struct DirEntry {
    std::string name;
    bool isDirectory = false;   // a real directory (symbolic links are not followed)
    bool isSymlink = false;
};

// Lists one directory, entry by entry, in the order the file system keeps them.
class CDirListing {
public:
    CDirListing() = default;
    ~CDirListing();
    CDirListing(const CDirListing&) = delete;
    CDirListing& operator=(const CDirListing&) = delete;

    bool open(const std::string& dir);
    // Next entry other than "." and ".."; false at the end. `statFailed` is set
    // when the entry vanished or cannot be examined (its name is still given).
    bool next(DirEntry& entry, bool& statFailed);
    void close();

private:
    void* m_pDir = nullptr;
    std::string m_path;
};

} // namespace cs::platform
