// An environment whose disk fills up, for the tests of what the system does
// when a file takes no more.
#pragma once

#include <cstdint>
#include <set>
#include <string>

#include "platform/EnvWrapper.h"

namespace cs::test {

// The files below `dir` share a disk that holds `capacity` more bytes: a write
// past it stores what fits and fails with ENOSPC, and the free space reported
// for paths below `dir` is what is left. Only file contents take room. Every
// other operation, and every other file, is the POSIX environment's.
class CFullDiskEnv : public platform::CEnvWrapper {
public:
    CFullDiskEnv(const std::string& dir, int64_t capacity);

    int createTruncated(const std::string& path, platform::Readers readers = platform::Readers::Owner) override;
    int openFileForAppend(const std::string& path) override;
    int openFileForUpdate(const std::string& path) override;
    bool closeFile(int fd) override;
    bool writeAll(int fd, const void* data, size_t size) override;
    bool writeAllAt(int fd, const void* data, size_t size, int64_t position) override;
    int64_t copyFileData(int fromFd, int64_t fromPosition, int toFd, int64_t toPosition, int64_t length) override;
    bool freeDiskSpaceMiB(const std::string& path, uint64_t& mib) override;

private:
    bool onDisk(const std::string& path) const;
    // Remembers a descriptor opened for writing on the disk.
    int opened(int fd, const std::string& path);
    // How much of `size` bytes for `fd` fits, and using that room up.
    int64_t room(int fd, int64_t size) const;
    void use(int fd, int64_t size);

    std::string m_dir;
    int64_t m_left;
    std::set<int> m_files;
};

} // namespace cs::test
