// An environment that passes every operation on to another: a stand-in
// derives from it and overrides only what it changes.
#pragma once

#include "platform/Env.h"

namespace cs::platform {

class CEnvWrapper : public CEnv {
public:
    explicit CEnvWrapper(CEnv& target) : m_target(target) {}

    CEnv& target() const { return m_target; }

    bool pathAccessible(const std::string& path) override { return m_target.pathAccessible(path); }
    bool isDirectory(const std::string& path) override { return m_target.isDirectory(path); }
    bool resolvePath(const std::string& path, std::string& resolved) override
    {
        return m_target.resolvePath(path, resolved);
    }
    bool createOneDirectory(const std::string& path) override { return m_target.createOneDirectory(path); }
    bool removeDirectory(const std::string& path) override { return m_target.removeDirectory(path); }
    bool syncDirectory(const std::string& dir) override { return m_target.syncDirectory(dir); }
    std::unique_ptr<CDirListing> listDirectory(const std::string& dir) override { return m_target.listDirectory(dir); }
    bool moveFileReplace(const std::string& from, const std::string& to) override
    {
        return m_target.moveFileReplace(from, to);
    }
    bool moveFileNoReplace(const std::string& from, const std::string& to) override
    {
        return m_target.moveFileNoReplace(from, to);
    }
    bool copyFileNoReplace(const std::string& from, const std::string& to) override
    {
        return m_target.copyFileNoReplace(from, to);
    }
    bool removeFile(const std::string& path) override { return m_target.removeFile(path); }
    bool fileLength(const std::string& path, int64_t& length) override { return m_target.fileLength(path, length); }
    bool fileModifiedTime(const std::string& path, int64_t& seconds) override
    {
        return m_target.fileModifiedTime(path, seconds);
    }
    bool fileStatus(const std::string& path, FileStatus& status) override { return m_target.fileStatus(path, status); }
    bool touchFile(const std::string& path) override { return m_target.touchFile(path); }
    bool makeWritable(const std::string& path) override { return m_target.makeWritable(path); }
    bool freeDiskSpaceMiB(const std::string& path, uint64_t& mib) override
    {
        return m_target.freeDiskSpaceMiB(path, mib);
    }
    bool tempDirectory(std::string& dir) override { return m_target.tempDirectory(dir); }
    bool createTempFile(const std::string& dir, const std::string& prefix, std::string& path) override
    {
        return m_target.createTempFile(dir, prefix, path);
    }

    int createTruncated(const std::string& path, Readers readers = Readers::Owner) override
    {
        return m_target.createTruncated(path, readers);
    }
    int openFileForAppend(const std::string& path) override { return m_target.openFileForAppend(path); }
    int openFileForUpdate(const std::string& path) override { return m_target.openFileForUpdate(path); }
    int openFileForRead(const std::string& path) override { return m_target.openFileForRead(path); }
    int openRegularFileForRead(const std::string& path) override { return m_target.openRegularFileForRead(path); }
    bool closeFile(int fd) override { return m_target.closeFile(fd); }

    bool writeAll(int fd, const void* data, size_t size) override { return m_target.writeAll(fd, data, size); }
    bool writeAllAt(int fd, const void* data, size_t size, int64_t position) override
    {
        return m_target.writeAllAt(fd, data, size, position);
    }
    int64_t copyFileData(int fromFd, int64_t fromPosition, int toFd, int64_t toPosition, int64_t length) override
    {
        return m_target.copyFileData(fromFd, fromPosition, toFd, toPosition, length);
    }
    bool commitFile(int fd) override { return m_target.commitFile(fd); }
    bool startWriteback(int fd, int64_t position, int64_t length) override
    {
        return m_target.startWriteback(fd, position, length);
    }
    bool fileDescriptorLength(int fd, int64_t& length) override { return m_target.fileDescriptorLength(fd, length); }
    bool seekFile(int fd, int64_t position) override { return m_target.seekFile(fd, position); }
    int64_t readFileData(int fd, void* data, int64_t length) override
    {
        return m_target.readFileData(fd, data, length);
    }
    int64_t readFileDataAt(int fd, void* data, int64_t length, int64_t position) override
    {
        return m_target.readFileDataAt(fd, data, length, position);
    }
    std::unique_ptr<CFileMap> mapFileForRead(const std::string& path) override { return m_target.mapFileForRead(path); }

    int lockFile(const std::string& path, int& holderPid) override { return m_target.lockFile(path, holderPid); }
    int lockHolder(const std::string& path) override { return m_target.lockHolder(path); }

private:
    CEnv& m_target;
};

} // namespace cs::platform
