// A place where writing fails for want of space, for the tests of what the
// system does on a full disk.
#pragma once

#include <string>

namespace cs::test {

// A 64 KiB tmpfs mounted for the test when the process may mount file systems
// (root with CAP_SYS_ADMIN); otherwise /dev/full, where every write fails.
class CFullDisk {
public:
    CFullDisk();
    ~CFullDisk();
    CFullDisk(const CFullDisk&) = delete;
    CFullDisk& operator=(const CFullDisk&) = delete;

    bool available() const { return m_mounted || m_devFull; }
    bool mounted() const { return m_mounted; }
    // A file to write: `name` on the tmpfs, or /dev/full.
    std::string path(const std::string& name) const;
    // Uses up the space left on the tmpfs.
    void fill() const;

private:
    std::string m_dir;
    bool m_mounted = false;
    bool m_devFull = false;
};

} // namespace cs::test
