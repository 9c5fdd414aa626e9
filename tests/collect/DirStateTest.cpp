// The directory collection's state file: what it keeps of each file, the
// paths no byte of which may be lost, and the refusals that keep a state from
// being used with an index it does not describe.
#include <gtest/gtest.h>

#include <cstdio>

#include "collect/DirState.h"
#include "index/DocumentMap.h"
#include "store/ContentDirectory.h"
#include "support/TestSupport.h"

using namespace cs::test;
using cs::collection::CDirState;

namespace {

cs::platform::FileStatus Status(int64_t size, int64_t modifiedNs, uint64_t inode)
{
    cs::platform::FileStatus status;
    status.size = size;
    status.modifiedNs = modifiedNs;
    status.inode = inode;
    return status;
}

class DirStateTest : public ::testing::Test {
protected:
    DirStateTest() : m_dir(MakeTempDir("state")), m_directory(m_dir, cs::store::CContentDirectory::MODE_OPEN) {}

    // Saves the state for `documents` documents and gives it its final name.
    void commit(const CDirState& state, int64_t documents)
    {
        state.save(m_directory, documents);
        ASSERT_EQ(std::rename((m_dir + "/collected_files.txt.tmp").c_str(), (m_dir + "/collected_files.txt").c_str()), 0);
    }

    std::string loadError(int64_t documents)
    {
        CDirState state;
        return RaisedMessage<std::runtime_error>([&] { state.load(m_directory, documents); });
    }

    std::string m_dir;
    cs::store::CContentDirectory m_directory;
};

} // namespace

TEST_F(DirStateTest, KeepsEveryFileWithItsVersionAndDocument)
{
    CDirState state;
    state.load(m_directory, 0);   // nothing yet: an empty state
    EXPECT_EQ(state.size(), 0u);
    const std::string odd = "/docs/tab\there\\and\nline \xff\xfe.txt";
    state.put("/docs/a.txt", Status(120, 1767225600123456789, 42), 0);
    state.put(odd, Status(0, -5, 18446744073709551615ull), 1);
    state.put("/docs/dropped.bin", Status(7, 1, 3), -1);
    commit(state, 2);
    EXPECT_EQ(ReadFile(m_dir + "/collected_files.txt"),
              "cs.files 1\t2\n"
              "0\t120\t1767225600123456789\t42\t/docs/a.txt\n"
              "-1\t7\t1\t3\t/docs/dropped.bin\n"
              "1\t0\t-5\t-1\t/docs/tab\\there\\\\and\\nline \xff\xfe.txt\n"
              "end\t3\n");

    CDirState loaded;
    loaded.load(m_directory, 2);
    ASSERT_EQ(loaded.size(), 3u);
    const CDirState::CFile* pOdd = loaded.find(odd);
    ASSERT_NE(pOdd, nullptr);
    EXPECT_EQ(pOdd->doc, 1);
    EXPECT_EQ(pOdd->status.modifiedNs, -5);
    EXPECT_EQ(pOdd->status.inode, 18446744073709551615ull);
    EXPECT_FALSE(pOdd->seen);
    EXPECT_EQ(loaded.find("/docs/a.txt")->status.size, 120);
    EXPECT_EQ(loaded.find("/docs/dropped.bin")->doc, -1);
    EXPECT_EQ(loaded.find("/docs/missing.txt"), nullptr);
}

TEST_F(DirStateTest, UnseenFilesAreForgottenAndDocumentsFollowAMerge)
{
    CDirState state;
    for (int i = 0; i < 6; ++i)
        state.put("/d/" + std::to_string(i), Status(i, i, i), i == 5 ? -1 : i);
    commit(state, 5);
    CDirState loaded;
    loaded.load(m_directory, 5);
    EXPECT_EQ(loaded.keepBelow("/d/"), 6u);
    loaded.load(m_directory, 5);
    loaded.find("/d/0")->seen = true;
    loaded.put("/d/3", Status(9, 9, 9), 7);
    size_t forgotten = 0;
    EXPECT_EQ(loaded.forgetUnseen(forgotten), (std::vector<int32_t>{1, 2, 4}));
    EXPECT_EQ(forgotten, 4u);   // /d/5 had no document
    ASSERT_EQ(loaded.size(), 2u);

    // 0 and 7 swap places; a document the merge dropped takes its file with it.
    cs::index::CDocumentMap documents;
    documents.addRun(7, 1, 0);
    documents.addRun(0, 1, 3);
    loaded.renumber(documents);
    EXPECT_EQ(loaded.find("/d/0")->doc, 3);
    EXPECT_EQ(loaded.find("/d/3")->doc, 0);
    cs::index::CDocumentMap dropping;
    dropping.addRun(3, 1, 0);
    loaded.renumber(dropping);
    EXPECT_EQ(loaded.find("/d/0")->doc, 0);
    EXPECT_EQ(loaded.find("/d/3"), nullptr);
}

// Whatever the state file holds that does not describe the index stops the
// run before anything is changed, and says how to go on.
TEST_F(DirStateTest, AStateThatCannotDescribeTheIndexIsRefused)
{
    const std::string file = m_dir + "/collected_files.txt";
    EXPECT_EQ(loadError(3), "the index in " + m_dir + "/ holds 3 documents but no collected_files.txt that says which "
                                                    "files they are: rebuild the index with csindexer -r");
    const std::string good = "cs.files 1\t2\n0\t1\t2\t3\t/a\n1\t1\t2\t3\t/b\nend\t2\n";
    WriteFile(file, good);
    EXPECT_EQ(loadError(5), file + " describes an index of 2 documents, but the barrel list holds 5: rebuild the "
                                   "index with csindexer -r");
    const struct {
        const char* text;
        int line;
    } damaged[] = {
        {"", 1},
        {"cs.files 2\t2\n0\t1\t2\t3\t/a\nend\t1\n", 1},
        {"cs.files 1\t2\n0\t1\t2\t3\t/a\n1\t1\t2\t3\t/b\n", 4},            // cut short
        {"cs.files 1\t2\n0\t1\t2\t3\t/a\n1\t1\t2\t3\t/b\nend\t2", 4},      // no final line feed
        {"cs.files 1\t2\n0\t1\t2\t3\t/a\n1\t1\t2\t3\t/b\nend\t3\n", 5},    // a line lost
        {"cs.files 1\t2\n0\t1\t2\t3\t/a\n1\t1\t2\tx\t/b\nend\t2\n", 3},    // not a number
        {"cs.files 1\t2\n0\t1\t2\t3\t/a\n2\t1\t2\t3\t/b\nend\t2\n", 3},    // no such document
        {"cs.files 1\t2\n0\t1\t2\t3\t/a\n1\t1\t2\t3\t/a\nend\t2\n", 3},    // a path twice
        {"cs.files 1\t2\n0\t1\t2\t3\t/a\n1\t1\t2\t3\t/b\\q\nend\t2\n", 3}, // unknown escape
        {"cs.files 1\t2\n0\t1\t2\t3\t/a\n1\t1\t2\t3\t\nend\t2\n", 3},      // no path
        {"cs.files 1\t2\n0\t1\t2\t3\t/a\nend\t1\ngarbage\n", 3},           // past the end
    };
    for (const auto& test : damaged) {
        WriteFile(file, test.text);
        EXPECT_EQ(loadError(2), "file list " + file + " is damaged at line " + std::to_string(test.line) +
                                    ": rebuild the index with csindexer -r")
            << test.text;
    }
}
