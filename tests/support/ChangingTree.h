// A directory tree that changes between indexing runs as a user's folder
// does: files added, edited, removed, renamed and touched without change.
// Every version of every file holds a word of its own (a "marker", "z" and
// three letters, one term of the general analyser) among words of four
// random letters that never begin with "z", so that a test can tell which
// versions an index holds. Many distinct words fill the index memory soon,
// as real text does. Reproducible from a seed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <random>
#include <set>
#include <string>


namespace cs::test {

class CChangingTree {
public:
    struct Changes {
        std::set<std::string> added, edited, removed, touched;
        std::map<std::string, std::string> renamed;   // old path -> new path
        // The paths whose files a run must read: new and changed ones.
        std::set<std::string> toRead() const;
    };

    // The tree lives in `root`, which is created; each file holds about
    // `words` words.
    CChangingTree(const std::string& root, unsigned seed, size_t words = 60);

    const std::string& root() const { return m_root; }
    // Present files by path, each with its marker.
    const std::map<std::string, std::string>& files() const { return m_files; }
    // Markers of versions no file holds any more.
    const std::set<std::string>& retired() const { return m_retired; }

    // Adds `count` files, some in subdirectories.
    Changes add(size_t count);
    // Edits, removes, renames and touches `each` files apiece (different
    // ones) and adds `each` new ones.
    Changes change(size_t each);

    // The term of a marker in the "text" postings.
    static int32_t termOf(const std::string& marker);

private:
    std::string newMarker();
    std::string filler(size_t words);
    void write(const std::string& path, const std::string& marker);
    std::string pick(std::set<std::string>& taken);

    std::string m_root;
    std::mt19937 m_random;
    size_t m_words;
    int m_nextMarker = 0;
    int m_nextName = 0;
    std::map<std::string, std::string> m_files;
    std::set<std::string> m_retired;
};

} // namespace cs::test
