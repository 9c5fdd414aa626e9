// The checker passes sound indexes and names the file and the reason of each
// of a set of deliberate damages; the test-side reader agrees on the verdicts.
#include <gtest/gtest.h>

#include <functional>
#include <unistd.h>

#include "check/IndexChecker.h"
#include "index/IndexLock.h"
#include "support/IndexCheck.h"
#include "support/IndexFiles.h"
#include "support/SampleIndex.h"
#include "support/TestSupport.h"

namespace {

using namespace cs::test;
using cs::check::CIndexChecker;

std::vector<SampleDocument> Documents()
{
    std::vector<SampleDocument> documents;
    const char* texts[] = {"中国 北京 大学", "计算机 软件 数据库 软件", "全文 检索 索引", "研究 学生 的 大学"};
    for (int d = 0; d < 12; ++d)
        documents.push_back({{"text", texts[d % 4]},
                             {"user", d % 2 ? "alice" : "bob"},
                             {"date", "2026-12-0" + std::to_string(d % 9 + 1)},
                             {"type", d % 2 ? "mail" : "web"},
                             {"mail_send", "u" + std::to_string(d) + "@example.com"},
                             {"path", "/docs/" + std::to_string(d)},
                             {"abstract", std::string(texts[d % 4]) + " 摘要"}});
    return documents;
}

struct CheckedIndex {
    std::string home = MakeTempDir("check-home");
    std::string dir = MakeTempDir("check") + "/index";

    CheckedIndex() { WriteSampleIndex(dir, Documents(), {7, 5}, {2, 8, 9}); }

    std::string path(const std::string& name) const { return dir + "/" + name; }
    // The problems found, one per line.
    std::string problems() const
    {
        CIndexChecker checker(dir, home);
        std::string text;
        for (const auto& problem : checker.check().problems())
            text += problem.text() + "\n";
        return text;
    }
};

void Replace(const std::string& path, size_t at, const std::string& bytes)
{
    std::string data = ReadFile(path);
    data.replace(at, bytes.size(), bytes);
    WriteFile(path, data);
}

void Cut(const std::string& path, size_t bytes)
{
    std::string data = ReadFile(path);
    data.resize(data.size() - bytes);
    WriteFile(path, data);
}

void EditStatus(const CheckedIndex& index, const std::string& from, const std::string& to)
{
    std::string text = ReadFile(index.path("index_status.xml"));
    size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
    WriteFile(index.path("index_status.xml"), text);
}

void DropContentMode(const CheckedIndex& index)
{
    std::string text = ReadFile(index.path("index_status.xml"));
    size_t from = text.find("<content_mode>"), to = text.find("</content_mode>");
    ASSERT_TRUE(from != std::string::npos && to != std::string::npos);
    WriteFile(index.path("index_status.xml"), text.replace(from, to + 15 - from, "<content_mode/>"));
}

TEST(IndexChecker, SoundIndexesPass)
{
    CheckedIndex index;
    EXPECT_EQ(index.problems(), "");
    EXPECT_EQ(CheckIndex(index.dir), "");
    CIndexChecker checker(index.dir, index.home);
    checker.check();
    EXPECT_EQ(checker.summary(), index.dir + ": sound, 2 barrels, 12 documents, 3 deleted");
    // A directory without any index has no problem, and nothing to check.
    std::string empty = MakeTempDir("check-empty");
    CIndexChecker nothing(empty, index.home);
    EXPECT_TRUE(nothing.check().sound());
    EXPECT_FALSE(nothing.holdsIndex());
    EXPECT_TRUE(checker.holdsIndex());
    EXPECT_EQ(nothing.summary(), empty + ": holds no index (no index_status.xml and no barrel files)");
    EXPECT_TRUE(IndexIsSound(index.dir, index.home));
}

TEST(IndexChecker, DamagesAreNamedByFileAndReason)
{
    struct Damage {
        const char* what;
        std::function<void(CheckedIndex&)> apply;
        std::string expected;    // a piece of the report, after the index directory
        bool structural;         // the test-side reader must flag it too
    };
    const std::vector<Damage> damages = {
        {"truncated .did", [](CheckedIndex& x) { Cut(x.path("_0.did"), 3); }, "/_0.did: ", true},
        {"terms out of order",
         [](CheckedIndex& x) {
             // The second entry of the first field gets a term delta of 0.
             std::string tid = ReadFile(x.path("_0.tid"));
             CByteReader reader(tid);
             reader.vint();
             reader.vint();
             reader.vlong();
             Replace(x.path("_0.tid"), reader.position(), std::string(1, '\0'));
         },
         "/_0.tid: field text, term ", true},
        {"wrong deleted_count",
         [](CheckedIndex& x) { EditStatus(x, "<deleted_count>1</deleted_count>", "<deleted_count>2</deleted_count>"); },
         "/_0.del: byte 4: counts 1 deleted documents, index_status.xml counts 2", true},
        {"stray .tmp", [](CheckedIndex& x) { WriteFile(x.path("_1.tid.tmp"), "x"); },
         "/_1.tid.tmp: left by an interrupted flush or merge", false},
        {".fdi trailer past the end",
         [](CheckedIndex& x) {
             // Field 0 "text": count (4), name (5), flags (4), total (8), distinct (8), then the trailer.
             Replace(x.path("_1.fdi"), 29, std::string("\0\0\0\0\x7f\0\0\0", 8));
         },
         "/_1.tid: field text, byte 2130706432: dictionary trailer outside the field's section", true},
        {"deleted count of .del",
         [](CheckedIndex& x) { Replace(x.path("_1.del"), 4, std::string("\x05\0\0\0", 4)); },
         "/_1.del: byte 4: counts 5 deleted documents, its bitmap marks 2", true},
        {".sfi entry past the end",
         [](CheckedIndex& x) { Replace(x.path("_0.sfi"), 8, std::string("\0\0\0\0\0\x7f\0\0", 8)); },
         "/_0.sfd: document 1: index file", true},
        {"truncated .sfd", [](CheckedIndex& x) { Cut(x.path("_1.sfd"), 4); }, "/_1.sfd: document 4: index file", true},
        {"replacement plan", [](CheckedIndex& x) { WriteFile(x.path("index.plan"), "0\n"); },
         "/index.plan: the plan of an interrupted replacement", false},
        {"uncommitted plan", [](CheckedIndex& x) { WriteFile(x.path("index.plan.new"), "cs.plan 1\n"); },
         "/index.plan.new: a replacement plan never committed", false},
        {"rename marker", [](CheckedIndex& x) { WriteFile(x.home + "/index.rename", ""); },
         "/index.rename: a move of barrel files into place was cut off", false},
        {"barrel not listed", [](CheckedIndex& x) { WriteFile(x.path("_7.tid"), "x"); },
         "/_7.tid: a file of barrel _7, which the barrel list does not name", false},
        {"gap between barrels", [](CheckedIndex& x) { EditStatus(x, "<doc_start>7</doc_start>", "<doc_start>8</doc_start>"); },
         "/index_status.xml: barrel _1 starts at document 8, the barrels before it end at 7", true},
        {"document beyond the barrel",
         [](CheckedIndex& x) {
             EditStatus(x, "<doc_count>5</doc_count>", "<doc_count>3</doc_count>");
             EditStatus(x, "<deleted_count>2</deleted_count>", "<deleted_count>0</deleted_count>");
         },
         " not below the barrel's 3 documents", true},
        {"no content mode", [](CheckedIndex& x) { DropContentMode(x); }, "/index_status.xml: holds no content mode",
         false},
        {"missing .sfd", [](CheckedIndex& x) { std::remove(x.path("_0.sfd").c_str()); },
         "/_0.sfd: missing: the barrel list names barrel _0", true},
        {"truncated .len", [](CheckedIndex& x) { Cut(x.path("_0.len"), 2); },
         "/_0.len: index file ", true},
        {"length below -1",
         [](CheckedIndex& x) { Replace(x.path("_1.len"), 12, std::string("\xff\xff\xff\xfe", 4)); },
         "/_1.len: field text, byte 12: document 0 has length -2", false},
        {"lengths beyond the total",
         [](CheckedIndex& x) { Replace(x.path("_1.len"), 12, std::string("\0\x01\0\0", 4)); },
         "/_1.len: field text: the lengths add up to 65550 terms, .fdi counts 18", false},
        {".len of another barrel", [](CheckedIndex& x) { WriteFile(x.path("_1.len"), ReadFile(x.path("_0.len"))); },
         "/_1.len: byte 0: covers 7 documents, the barrel holds 5", true},
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.what);
        CheckedIndex index;
        damage.apply(index);
        std::string problems = index.problems();
        EXPECT_NE(problems.find(damage.expected), std::string::npos) << problems;
        ProcessResult program = RunIndexCheck(index.dir, index.home);
        EXPECT_EQ(program.exitCode, 1);
        EXPECT_NE(program.out.find(damage.expected), std::string::npos) << program.out;
        if (damage.structural) {
            EXPECT_NE(CheckIndex(index.dir), "") << "the test-side reader finds the same index sound";
        }
    }
}

// Beside a running writer (the test holds the locks of the index and of the
// home, as a csindexer run does) the files and markers of its flushes, merges
// and moves under way are notes, and the list is judged as a reader judges
// it; damage stays damage.
TEST(IndexChecker, BesideARunningWriterWorkUnderWayIsNoProblem)
{
    struct Case {
        const char* what;
        std::function<void(CheckedIndex&)> apply;
        std::string problem;   // empty: none, but a note on the file
        std::string file;
    };
    const std::vector<Case> cases = {
        {"flush under way", [](CheckedIndex& x) { WriteFile(x.path("_1.tid.tmp"), "x"); }, "", "/_1.tid.tmp"},
        {"barrel not yet listed", [](CheckedIndex& x) { WriteFile(x.path("_7.tid"), "x"); }, "", "/_7.tid"},
        {"plan being written", [](CheckedIndex& x) { WriteFile(x.path("index.plan.new"), "cs.plan 1\n"); }, "",
         "/index.plan.new"},
        {"move under way", [](CheckedIndex& x) { WriteFile(x.home + "/index.rename", ""); }, "", "/index.rename"},
        {"truncated .did", [](CheckedIndex& x) { Cut(x.path("_0.did"), 3); }, "/_0.did: ", ""},
    };
    const std::string writer = "work under way of csindexer (process " + std::to_string(::getpid()) + ")";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CheckedIndex index;
        c.apply(index);
        cs::index::CIndexLock dirLock(index.dir), homeLock(index.home);
        ASSERT_TRUE(dirLock.held() && homeLock.held());
        CIndexChecker checker(index.dir, index.home);
        const cs::check::CCheckReport& report = checker.check();
        std::string problems;
        for (const auto& problem : report.problems())
            problems += problem.text() + "\n";
        std::string notes;
        for (const std::string& note : report.notes())
            notes += note + "\n";
        if (c.problem.empty()) {
            EXPECT_EQ(problems, "");
        } else {
            EXPECT_NE(problems.find(c.problem), std::string::npos) << problems;
        }
        if (!c.file.empty()) {
            EXPECT_NE(notes.find(c.file + ": " + writer), std::string::npos) << notes;
        }
    }
}

// Without its content mode the barrels cannot be decoded; their files are
// still the barrels' own, not strays.
TEST(IndexChecker, ABarrelListWithoutContentModeIsOneProblem)
{
    CheckedIndex index;
    DropContentMode(index);
    EXPECT_EQ(index.problems(), index.dir + "/index_status.xml: holds no content mode\n");
}

TEST(IndexChecker, TheProgramReportsAndExits)
{
    CheckedIndex index;
    ProcessResult sound = RunProcess({CS_CHECK_PATH, "--home", index.home, index.dir});
    EXPECT_EQ(sound.exitCode, 0) << sound.out << sound.err;
    EXPECT_EQ(sound.out, index.dir + ": sound, 2 barrels, 12 documents, 3 deleted\n");

    Cut(index.path("_1.did"), 2);
    WriteFile(index.home + "/rt.err", "A20261201:17\n");
    ProcessResult damaged = RunIndexCheck(index.dir, index.home);
    EXPECT_EQ(damaged.exitCode, 1);
    EXPECT_NE(damaged.out.find(index.dir + "/_1.did: "), std::string::npos) << damaged.out;
    EXPECT_NE(damaged.out.find(index.dir + ": 2 problems\n"), std::string::npos) << damaged.out;
    EXPECT_EQ(damaged.out.find("note: "), std::string::npos) << "-q leaves notes out";
    ProcessResult noted = RunProcess({CS_CHECK_PATH, "--home", index.home, index.dir});
    EXPECT_NE(noted.out.find("note: " + index.home + "/rt.err: a run died on a record"), std::string::npos);

    ProcessResult usage = RunProcess({CS_CHECK_PATH});
    EXPECT_EQ(usage.exitCode, 2);
    EXPECT_EQ(usage.err, "cscheck: name an index directory or a database (cscheck --help shows the usage)\n");
    ProcessResult missing = RunIndexCheck(index.dir + "/no-such-dir", index.home);
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.out.find("no such directory"), std::string::npos);
}

} // namespace
