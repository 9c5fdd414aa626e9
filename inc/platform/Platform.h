// The platform layer: every operating-system service the indexer relies on,
// behind one small set of functions. This is the only place of the tree that
// talks to the kernel directly; the rest of the system calls these.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

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
// Starts writing the range's dirty pages to the disk and returns without
// waiting for them: a later CommitFile then waits less. It commits nothing
// (no metadata, no cache of the device).
bool StartWriteback(int fd, int64_t position, int64_t length);
// Makes the creations, renames and removals of names in `dir` durable.
bool SyncDirectory(const std::string& dir);
bool MoveFileReplace(const std::string& from, const std::string& to);
bool RemoveFile(const std::string& path);

// Creates a file for writing, or truncates it, with owner read and write
// permission; -1 on failure.
int CreateTruncated(const std::string& path);
// Writes every byte, going on after partial writes; false (the system's error
// set) when the file takes no more.
bool WriteAll(int fd, const void* data, size_t size);
// The same at file offset `position`; the descriptor's own offset stays.
bool WriteAllAt(int fd, const void* data, size_t size, int64_t position);
// Copies up to `length` bytes from offset `fromPosition` of `fromFd` to offset
// `toPosition` of `toFd` inside the kernel, without passing them through the
// process; neither descriptor's own offset moves. Returns the count copied:
// short when the source ends or the kernel cannot go on (the system's error
// set then), 0 where the file systems do not copy between the two.
int64_t CopyFileData(int fromFd, int64_t fromPosition, int toFd, int64_t toPosition, int64_t length);
bool CloseFile(int fd);

// Reading and positioning through descriptors, which child processes do not
// inherit. Every failure leaves the reason in LastErrorCode().
int OpenFileForRead(const std::string& path);    // -1 on failure
// Opens a file for reading and writing, unbuffered, creating it (owner read
// and write) when it is missing; the contents stay. -1 on failure.
int OpenFileForUpdate(const std::string& path);
// Opens a regular file for reading. Any other kind of file is refused with
// EISDIR for a directory and EINVAL for the rest, so a pipe or a device met on
// a walk cannot block the run. -1 on failure.
int OpenRegularFileForRead(const std::string& path);
bool FileDescriptorLength(int fd, int64_t& length);
bool SeekFile(int fd, int64_t position);
// Reads until `length` bytes arrived or the file ended: the count read, -1 on failure.
int64_t ReadFileData(int fd, void* data, int64_t length);
// The same from file offset `position`; the descriptor's own offset stays.
int64_t ReadFileDataAt(int fd, void* data, int64_t length, int64_t position);

// File status by name; symbolic links are followed.
bool FileLength(const std::string& path, int64_t& length);
bool FileModifiedTime(const std::string& path, int64_t& seconds);
bool TouchFile(const std::string& path);   // access and modification time := now
// Gives the owner write permission; a symbolic link is left alone (its target
// may lie outside the tree being worked on).
bool MakeWritable(const std::string& path);
bool RemoveDirectory(const std::string& path);   // must be empty

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

// ---- child processes -----------------------------------------------------

// A pipe whose ends no child inherits (close-on-exec) and which never takes
// the standard descriptors 0 to 2. False with the error code set.
bool CreatePipe(int fds[2]);

// Starts argv[0] (looked up on PATH when it holds no '/') with the arguments
// `argv`, passed as they are, with no shell in between. The child keeps this
// process's standard input; its standard output and standard error both go to
// `outputFd`; no other descriptor of this process reaches it. It leads a
// process group of its own, so whatever it starts can be ended with it.
// Returns the child's id, or 0 with the error code set when it could not be
// started (the program missing or not executable, no process to be had).
int StartChild(const std::vector<std::string>& argv, int outputFd);

// Waits at most `timeoutMs` (-1: no limit) for the child to end, leaving it
// to be reaped. 1 ended, 0 still running, -1 failure (error code set).
int WaitChildEnd(int pid, int timeoutMs);

// Kills the child's process group (the child and what it started and left
// behind) and reaps the child. False with the error code set on failure.
bool KillAndReapChild(int pid);

// 1 when `fd` has data or its writers have all gone, 0 after `timeoutMs`
// (-1: no limit), -1 failure.
int WaitReadable(int fd, int timeoutMs);
// read(2), retried when a signal interrupts it.
long ReadSome(int fd, void* buffer, size_t size);
bool CloseDescriptor(int fd);

// Milliseconds of a clock that neither jumps with the wall clock nor stops
// while the process sleeps or waits.
int64_t MonotonicMillis();

// True when the descriptor is a terminal.
bool IsTerminal(int fd);

// ---- temporary files -----------------------------------------------------

// The system's directory for temporary files, with a final '/': TMPDIR when it
// names a directory, else "/tmp". False when neither is a directory.
bool TempDirectory(std::string& dir);

// Creates a new empty file `dir` + `prefix` + six unique characters + ".tmp"
// (readable and writable by this user only) and gives its path. False with the
// error code set on failure.
bool CreateTempFile(const std::string& dir, const std::string& prefix, std::string& path);

// Copies a file. An existing target is left alone (the copy fails with EEXIST),
// and a copy that fails half-way leaves no target behind. False with the error
// code set on failure.
bool CopyFileNoReplace(const std::string& from, const std::string& to);

// Renames a file unless the new name is taken (EEXIST).
bool MoveFileNoReplace(const std::string& from, const std::string& to);

} // namespace cs::platform
