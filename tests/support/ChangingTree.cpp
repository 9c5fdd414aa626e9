#include "support/ChangingTree.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>
#include <iterator>
#include <stdexcept>

#include "analyze/GeneralAnalyzer.h"
#include "support/AnalyzerTestData.h"
#include "support/TestSupport.h"
#include "utility/OsUtility.h"

namespace cs::test {

std::set<std::string> CChangingTree::Changes::toRead() const
{
    std::set<std::string> paths = added;
    paths.insert(edited.begin(), edited.end());
    paths.insert(touched.begin(), touched.end());
    for (const auto& [from, to] : renamed)
        paths.insert(to);
    return paths;
}

CChangingTree::CChangingTree(const std::string& root, unsigned seed, size_t words)
    : m_root(root), m_random(seed), m_words(words)
{
    utility::CreateDirectoryPrefixes(m_root + "/");
}

int32_t CChangingTree::termOf(const std::string& marker)
{
    static analyze::CGeneralAnalyzer analyzer(std::string(CS_TEST_DATA_DIR) + "/analyze/dictionary.txt",
                                              std::string(CS_TEST_DATA_DIR) + "/analyze/stopwords.txt");
    std::vector<analyze::wid_t> terms = Analyze(analyzer, marker);
    if (terms.size() != 1)
        throw std::logic_error("marker " + marker + " is not one term");
    return terms[0];
}

std::string CChangingTree::newMarker()
{
    int n = m_nextMarker++;
    std::string marker = "z";
    for (int i = 0; i < 3; ++i, n /= 26)
        marker += static_cast<char>('a' + n % 26);
    return marker;
}

std::string CChangingTree::filler(size_t words)
{
    std::uniform_int_distribution<int> first('a', 'y'), letter('a', 'z');
    std::string text;
    for (size_t i = 0; i < words; ++i) {
        text += static_cast<char>(first(m_random));
        for (int j = 0; j < 3; ++j)
            text += static_cast<char>(letter(m_random));
        text += i % 12 == 11 ? '\n' : ' ';
    }
    return text;
}

void CChangingTree::write(const std::string& path, const std::string& marker)
{
    // The marker deep in the text.
    WriteFile(path, filler(m_words * 2 / 3) + marker + " " + filler(m_words / 3));
    m_files[path] = marker;
}

std::string CChangingTree::pick(std::set<std::string>& taken)
{
    for (;;) {
        auto it = m_files.begin();
        std::advance(it, std::uniform_int_distribution<size_t>(0, m_files.size() - 1)(m_random));
        if (taken.insert(it->first).second)
            return it->first;
    }
}

CChangingTree::Changes CChangingTree::add(size_t count)
{
    Changes changes;
    for (size_t i = 0; i < count; ++i) {
        int n = m_nextName++;
        std::string dir = m_root + (n % 3 == 0 ? "" : "/d" + std::to_string(n % 7) + (n % 2 ? "/deeper" : ""));
        utility::CreateDirectoryPrefixes(dir + "/");
        std::string path = dir + "/file" + std::to_string(n) + ".txt";
        write(path, newMarker());
        changes.added.insert(path);
    }
    return changes;
}

CChangingTree::Changes CChangingTree::change(size_t each)
{
    if (m_files.size() < 4 * each)
        throw std::logic_error("too few files to change");
    std::set<std::string> taken;
    Changes changes;
    for (size_t i = 0; i < each; ++i) {
        std::string path = pick(taken);
        m_retired.insert(m_files[path]);
        write(path, newMarker());
        changes.edited.insert(path);
    }
    for (size_t i = 0; i < each; ++i) {
        std::string path = pick(taken);
        m_retired.insert(m_files[path]);
        m_files.erase(path);
        std::remove(path.c_str());
        changes.removed.insert(path);
    }
    for (size_t i = 0; i < each; ++i) {
        std::string path = pick(taken);
        std::string to = path.substr(0, path.rfind('/') + 1) + "renamed" + std::to_string(m_nextName++) + ".txt";
        if (std::rename(path.c_str(), to.c_str()) != 0)
            throw std::runtime_error("cannot rename " + path);
        m_files[to] = m_files[path];
        m_files.erase(path);
        taken.insert(to);
        changes.renamed[path] = to;
    }
    for (size_t i = 0; i < each; ++i) {
        std::string path = pick(taken);
        struct stat st {};
        ::stat(path.c_str(), &st);
        // A second later than it was: the bytes stay as they are.
        struct timespec times[2] = {st.st_atim, st.st_mtim};
        times[1].tv_sec += 1;
        ::utimensat(AT_FDCWD, path.c_str(), times, 0);
        changes.touched.insert(path);
    }
    Changes added = add(each);
    changes.added = added.added;
    return changes;
}

} // namespace cs::test
