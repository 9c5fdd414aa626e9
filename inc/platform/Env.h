// The file system as the indexer sees it: every file and directory operation
// of the system goes through one object, Env(), so that a test can put an
// environment of its own in its place (a disk that fills up, a file that
// cannot be written) without touching the code under test.
//
// Files are reached through descriptors that the environment's open functions
// give out and its closeFile takes back; an environment that stands in for
// another can so tell which file every operation concerns. Every failure
// leaves the reason in LastErrorCode() (Platform.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace cs::platform {

// What tells one version of a file from another without reading it.
struct FileStatus {
    int64_t size = 0;
    int64_t modifiedNs = 0;   // modification time, nanoseconds since 1970
    uint64_t inode = 0;
};

struct DirEntry {
    std::string name;
    bool isDirectory = false;   // a real directory (symbolic links are not followed)
    bool isSymlink = false;
    FileStatus status;          // of the entry itself (a link's own, not its target's)
};

// One directory being listed, entry by entry, in the order the file system
// keeps them; the listing ends when the object goes.
class CDirListing {
public:
    virtual ~CDirListing() = default;
    // Next entry other than "." and ".."; false at the end. `statFailed` is set
    // when the entry vanished or cannot be examined (its name is still given).
    virtual bool next(DirEntry& entry, bool& statFailed) = 0;
};

// A read-only map of a whole file; unmapped when it is destroyed.
class CFileMap {
public:
    virtual ~CFileMap() = default;
    virtual const char* data() const = 0;
    virtual size_t size() const = 0;
};

// Who may read a file the system creates besides its owner.
enum class Readers { Owner, Everyone };

class CEnv {
public:
    virtual ~CEnv() = default;

    // ---- names ---------------------------------------------------------------

    virtual bool pathAccessible(const std::string& path) = 0;
    virtual bool isDirectory(const std::string& path) = 0;
    // The absolute path of an existing `path` with every symbolic link, "."
    // and ".." resolved: two paths name the same file when these agree.
    virtual bool resolvePath(const std::string& path, std::string& resolved) = 0;
    // One level: the parent must exist.
    virtual bool createOneDirectory(const std::string& path) = 0;
    virtual bool removeDirectory(const std::string& path) = 0;   // must be empty
    // Makes the creations, renames and removals of names in `dir` durable.
    virtual bool syncDirectory(const std::string& dir) = 0;
    // Lists `dir`; nullptr when it cannot be opened.
    virtual std::unique_ptr<CDirListing> listDirectory(const std::string& dir) = 0;
    // Atomic within one file system.
    virtual bool moveFileReplace(const std::string& from, const std::string& to) = 0;
    // Renames a file unless the new name is taken (EEXIST).
    virtual bool moveFileNoReplace(const std::string& from, const std::string& to) = 0;
    // Copies a file. An existing target is left alone (the copy fails with
    // EEXIST), and a copy that fails half-way leaves no target behind.
    virtual bool copyFileNoReplace(const std::string& from, const std::string& to) = 0;
    virtual bool removeFile(const std::string& path) = 0;

    // File status by name; symbolic links are followed.
    virtual bool fileLength(const std::string& path, int64_t& length) = 0;
    virtual bool fileModifiedTime(const std::string& path, int64_t& seconds) = 0;
    virtual bool fileStatus(const std::string& path, FileStatus& status) = 0;
    virtual bool touchFile(const std::string& path) = 0;   // access and modification time := now
    // Gives the owner write permission; a symbolic link is left alone (its
    // target may lie outside the tree being worked on).
    virtual bool makeWritable(const std::string& path) = 0;
    // Free space, in MiB, of the file system holding `path`. The path need not
    // exist: the nearest existing parent directory is asked.
    virtual bool freeDiskSpaceMiB(const std::string& path, uint64_t& mib) = 0;

    // The system's directory for temporary files, with a final '/': TMPDIR
    // when it names a directory, else "/tmp". False when neither is one.
    virtual bool tempDirectory(std::string& dir) = 0;
    // Creates a new empty file `dir` + `prefix` + six unique characters +
    // ".tmp" (readable and writable by this user only) and gives its path.
    virtual bool createTempFile(const std::string& dir, const std::string& prefix, std::string& path) = 0;

    // ---- opening and closing ---------------------------------------------------
    // Descriptors are not inherited by child processes; -1 on failure.

    // Creates a file for writing, or truncates it.
    virtual int createTruncated(const std::string& path, Readers readers = Readers::Owner) = 0;
    // Opens a file for writing at its end, creating it (owner read and write).
    virtual int openFileForAppend(const std::string& path) = 0;
    // Opens a file for reading and writing, unbuffered, creating it (owner
    // read and write) when it is missing; the contents stay.
    virtual int openFileForUpdate(const std::string& path) = 0;
    virtual int openFileForRead(const std::string& path) = 0;
    // Opens a regular file for reading. Any other kind of file is refused with
    // EISDIR for a directory and EINVAL for the rest, so a pipe or a device met
    // on a walk cannot block the run.
    virtual int openRegularFileForRead(const std::string& path) = 0;
    virtual bool closeFile(int fd) = 0;

    // ---- descriptors -----------------------------------------------------------

    // Writes every byte, going on after partial writes; false when the file
    // takes no more (a file that takes nothing more is full: ENOSPC).
    virtual bool writeAll(int fd, const void* data, size_t size) = 0;
    // The same at file offset `position`; the descriptor's own offset stays.
    virtual bool writeAllAt(int fd, const void* data, size_t size, int64_t position) = 0;
    // Copies up to `length` bytes from offset `fromPosition` of `fromFd` to
    // offset `toPosition` of `toFd` inside the kernel, without passing them
    // through the process; neither descriptor's own offset moves. Returns the
    // count copied: short when the source ends or the kernel cannot go on (the
    // error set then), 0 where the file systems do not copy between the two.
    virtual int64_t copyFileData(int fromFd, int64_t fromPosition, int toFd, int64_t toPosition,
                                 int64_t length) = 0;
    // Commits the file's data and metadata to the disk.
    virtual bool commitFile(int fd) = 0;
    // Starts writing the range's dirty pages to the disk and returns without
    // waiting for them: a later commitFile then waits less. It commits nothing
    // (no metadata, no cache of the device).
    virtual bool startWriteback(int fd, int64_t position, int64_t length) = 0;
    virtual bool fileDescriptorLength(int fd, int64_t& length) = 0;
    virtual bool seekFile(int fd, int64_t position) = 0;
    // Reads until `length` bytes arrived or the file ended: the count read, -1
    // on failure.
    virtual int64_t readFileData(int fd, void* data, int64_t length) = 0;
    // The same from file offset `position`; the descriptor's own offset stays.
    virtual int64_t readFileDataAt(int fd, void* data, int64_t length, int64_t position) = 0;
    // A whole, non-empty regular file mapped for reading, its pages read at
    // once; null when it cannot be opened or mapped.
    virtual std::unique_ptr<CFileMap> mapFileForRead(const std::string& path) = 0;

    // ---- locks -------------------------------------------------------------------
    // Advisory locks of whole files, held by an open file (not by a process or a
    // thread): another open file of the same process is refused like any other
    // process, a child that inherits the descriptor shares the lock, and the
    // kernel drops it when the last descriptor of the holder is closed, which
    // dying closes, however the holder dies. Locks meet whatever the programs'
    // names or namespaces, in every process that reaches the same file.

    // Opens `path` (created when missing, readable by everyone), takes its lock
    // and writes this process's id into it, so that a refusal can name the
    // holder: the descriptor, whose closeFile releases the lock. -1 when it
    // cannot; EWOULDBLOCK when another holds the lock, `holderPid` being then
    // the process id the file names (-1 when it names none).
    virtual int lockFile(const std::string& path, int& holderPid) = 0;
    // The id of the process that holds the lock of `path`, found without
    // taking it: 0 when no one holds it or the file cannot be opened, -1 when
    // the file names no process.
    virtual int lockHolder(const std::string& path) = 0;

    // ---- through the operations above -------------------------------------------

    // A whole (small) file: configuration, word lists, state files. False when
    // it cannot be opened or read (`pOpened` tells which), a read that ends
    // before the length the file had when it was opened included (EIO); after
    // a read error `text` holds what came before it.
    bool readWholeFile(const std::string& path, std::string& text, bool* pOpened = nullptr);
    // Every entry of `dir` (an entry that vanished while listed has its name
    // only); false when it cannot be listed.
    bool listEntries(const std::string& dir, std::vector<DirEntry>& entries);
};

// The environment in force: the POSIX one unless a test put another in place
// (platform/EnvScope.h).
CEnv& Env();

// The environment of the operating system itself, which a stand-in passes on
// to for what it does not change.
CEnv& PosixEnv();

} // namespace cs::platform
