// The environment of the operating system: the one place that calls the
// kernel for files and directories.
#pragma once

#include "platform/Env.h"

namespace cs::platform {

class CPosixEnv final : public CEnv {
public:
    bool pathAccessible(const std::string& path) override;
    bool isDirectory(const std::string& path) override;
    bool resolvePath(const std::string& path, std::string& resolved) override;
    bool createOneDirectory(const std::string& path) override;
    bool removeDirectory(const std::string& path) override;
    bool syncDirectory(const std::string& dir) override;
    std::unique_ptr<CDirListing> listDirectory(const std::string& dir) override;
    bool moveFileReplace(const std::string& from, const std::string& to) override;
    bool moveFileNoReplace(const std::string& from, const std::string& to) override;
    bool copyFileNoReplace(const std::string& from, const std::string& to) override;
    bool removeFile(const std::string& path) override;
    bool fileLength(const std::string& path, int64_t& length) override;
    bool fileModifiedTime(const std::string& path, int64_t& seconds) override;
    bool fileStatus(const std::string& path, FileStatus& status) override;
    bool touchFile(const std::string& path) override;
    bool makeWritable(const std::string& path) override;
    bool freeDiskSpaceMiB(const std::string& path, uint64_t& mib) override;
    bool tempDirectory(std::string& dir) override;
    bool createTempFile(const std::string& dir, const std::string& prefix, std::string& path) override;

    int createTruncated(const std::string& path, Readers readers = Readers::Owner) override;
    int openFileForAppend(const std::string& path) override;
    int openFileForUpdate(const std::string& path) override;
    int openFileForRead(const std::string& path) override;
    int openRegularFileForRead(const std::string& path) override;
    bool closeFile(int fd) override;

    bool writeAll(int fd, const void* data, size_t size) override;
    bool writeAllAt(int fd, const void* data, size_t size, int64_t position) override;
    int64_t copyFileData(int fromFd, int64_t fromPosition, int toFd, int64_t toPosition, int64_t length) override;
    bool commitFile(int fd) override;
    bool startWriteback(int fd, int64_t position, int64_t length) override;
    bool fileDescriptorLength(int fd, int64_t& length) override;
    bool seekFile(int fd, int64_t position) override;
    int64_t readFileData(int fd, void* data, int64_t length) override;
    int64_t readFileDataAt(int fd, void* data, int64_t length, int64_t position) override;
    std::unique_ptr<CFileMap> mapFileForRead(const std::string& path) override;

    int lockFile(const std::string& path, int& holderPid) override;
    int lockHolder(const std::string& path) override;
};

} // namespace cs::platform
