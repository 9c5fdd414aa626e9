// One writer per index. Whatever changes an index directory (a csindexer run,
// cscheck --repair) holds the lock of the file "index.lock" in it all the
// while, and csindexer the lock of the same name in its program home, where
// its markers are: a second writer is refused whatever its program's name,
// its network namespace or its container, and a reader can tell the files of
// a flush under way from damage. The kernel drops a lock with its holder, so
// a killed writer stands in no one's way. The file holds the holder's process
// id, for a refusal to name.
#pragma once

#include <string>

namespace cs::index {

class CIndexLock {
public:
    static constexpr const char* FILE_NAME = "index.lock";

    // Takes the lock of the existing directory `dir` while the object lives,
    // unless another holds it or its file cannot be made.
    explicit CIndexLock(const std::string& dir);
    ~CIndexLock();
    CIndexLock(const CIndexLock&) = delete;
    CIndexLock& operator=(const CIndexLock&) = delete;

    bool held() const { return m_fd != -1; }
    // Not held: the process that holds it (-1 when its file names none yet),
    // or 0 when the file could not be made, for the reason failure() gives
    // ("<file> (<cause>)").
    int holder() const { return m_holder; }
    const std::string& failure() const { return m_failure; }

private:
    int m_fd = -1;
    int m_holder = 0;
    std::string m_failure;
};

// The process that writes the index of `dir` (holds its lock), found without
// taking the lock: 0 when none does, -1 when one does whose id is not known.
int FindIndexWriter(const std::string& dir);

} // namespace cs::index
