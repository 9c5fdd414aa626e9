// What a power cut leaves of the files below a directory: each file holds the
// bytes it had at its last commit (fsync), under the names its directory had
// at its last sync. Renames, creations and removals are changes of directory
// entries; a file's bytes survive under whatever name the synced entries give
// it. A file never committed holds nothing, even where a synced entry names
// it. The test's environment tells the model each change after making it;
// cut() then brings the disk back to the synced state.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace cs::test {

class CPowerCutModel {
public:
    // Whatever is below `root` now counts as durable; `root` itself stays.
    explicit CPowerCutModel(const std::string& root);

    // The root itself or a path below it.
    bool covers(const std::string& path) const;
    bool tracks(int fd) const { return m_descriptors.count(fd) != 0; }

    // A file opened by name for writing (created when missing; an existing
    // one keeps its committed bytes, truncated or not); fd -1 for a file
    // created without a descriptor.
    void opened(int fd, const std::string& path);
    void closed(int fd) { m_descriptors.erase(fd); }
    void committed(int fd);
    void synced(const std::string& dir);
    void renamed(const std::string& from, const std::string& to);
    void removed(const std::string& path);
    void madeDirectory(const std::string& path);

    // The disk as the power cut leaves it, which is then durable.
    void cut();

private:
    struct Entry {
        bool directory = false;
        int id = 0;
    };
    using Names = std::map<std::string, Entry>;
    struct Directory {
        Names current, synced;
    };

    int scan(const std::string& path);
    bool below(const std::string& path) const;
    // The directory holding `path` and the last name; false when the path is
    // not below the root or its directories are not known.
    bool locate(const std::string& path, int& dir, std::string& name) const;
    // The directory `path` names (the root included), -1 when not known.
    int directoryAt(const std::string& path) const;
    // A current name of file `id`, empty when it has none.
    std::string pathOf(int id, int dir, const std::string& path) const;
    void restore(int dir, const std::string& path);

    std::string m_root;
    std::vector<std::string> m_rootParts;
    int m_nextId = 0;
    std::map<int, Directory> m_directories;            // by id; the root is 0
    std::map<int, std::optional<std::string>> m_data;  // file id -> bytes at its last commit
    std::map<int, int> m_descriptors;                  // descriptor -> file id
};

} // namespace cs::test
