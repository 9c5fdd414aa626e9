// An environment whose disk below one directory fails at a chosen moment, for
// the tests of what a run leaves when a write, a commit or a rename fails, or
// when the power goes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/EnvWrapper.h"
#include "support/PowerCutModel.h"

namespace cs::test {

// The changes to the files below `dir` are counted from 1: opening a file for
// writing (or creating one), writing, copying, committing, syncing a
// directory, renaming, removing, making or removing a directory, changing a
// file's permissions or times. With NO_SPACE or IO_ERROR the change numbered
// `at` fails as the system call would, with ENOSPC or EIO, and has no effect;
// the others take effect. With POWER_CUT the change numbered `at` is the last
// to take effect: every later one fails with EIO, as if the machine had
// stopped, and cut() then brings the disk to what the power cut leaves
// (CPowerCutModel). No commit or directory sync reaches the real disk: below
// `dir` they are the model's, and elsewhere (the log commits every line) they
// would only make the test wait. Reads are not counted and always work; every
// other operation on other files is the POSIX environment's.
class CFaultInjectionEnv : public platform::CEnvWrapper {
public:
    enum class Fault { NONE, NO_SPACE, IO_ERROR, POWER_CUT };

    explicit CFaultInjectionEnv(const std::string& dir, Fault fault = Fault::NONE, int64_t at = 0);

    // The changes counted so far.
    int64_t changes() const { return m_count; }
    // The change numbered `at` was reached.
    bool struck() const { return m_fault != Fault::NONE && m_count >= m_at; }
    bool powerLost() const { return m_fault == Fault::POWER_CUT && struck(); }
    // Called after every change that took effect, with its number.
    void setObserver(std::function<void(int64_t)> observer) { m_observer = std::move(observer); }
    void cut() { m_disk.cut(); }

    bool createOneDirectory(const std::string& path) override;
    bool removeDirectory(const std::string& path) override;
    bool syncDirectory(const std::string& dir) override;
    bool moveFileReplace(const std::string& from, const std::string& to) override;
    bool moveFileNoReplace(const std::string& from, const std::string& to) override;
    bool copyFileNoReplace(const std::string& from, const std::string& to) override;
    bool removeFile(const std::string& path) override;
    bool touchFile(const std::string& path) override;
    bool makeWritable(const std::string& path) override;
    bool createTempFile(const std::string& dir, const std::string& prefix, std::string& path) override;

    int createTruncated(const std::string& path, platform::Readers readers = platform::Readers::Owner) override;
    int openFileForAppend(const std::string& path) override;
    int openFileForUpdate(const std::string& path) override;
    bool closeFile(int fd) override;

    bool writeAll(int fd, const void* data, size_t size) override;
    bool writeAllAt(int fd, const void* data, size_t size, int64_t position) override;
    int64_t copyFileData(int fromFd, int64_t fromPosition, int toFd, int64_t toPosition, int64_t length) override;
    bool commitFile(int fd) override;

private:
    // Whether a change of `path` (of a file opened as `fd`) may take effect:
    // false, with the error code set, when it is to fail. Changes elsewhere
    // are not counted and always may.
    bool admit(const std::string& path);
    bool admit(int fd);
    bool admitCounted();
    // After the change admitted last: tells the observer when it took effect.
    void changed(bool tookEffect);
    // A file opened for writing: told to the model.
    int opened(int fd, const std::string& path);

    CPowerCutModel m_disk;
    Fault m_fault;
    int64_t m_at;
    int64_t m_count = 0;
    bool m_counted = false;   // the change admitted last was counted
    std::function<void(int64_t)> m_observer;
};

} // namespace cs::test
