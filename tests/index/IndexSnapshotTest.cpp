// The reader's view of an index: a writer that commits between the reading of
// the list and the opening of its barrels' files makes the reader take the
// view again; one that never holds still, or a plan that stands, ends the
// reader with a message after the bound; the files held are read as they were
// opened after they are gone. The writer is a stand-in environment that
// changes the directory just before the reader opens a given file.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>

#include "index/BarrelsInfo.h"
#include "index/IndexSnapshot.h"
#include "platform/EnvScope.h"
#include "platform/EnvWrapper.h"
#include "store/Directory.h"
#include "support/TestSupport.h"

namespace {

using namespace cs::test;
using cs::index::CIndexSnapshot;

const char kPlan[] = "cs.plan 1\nphase\t0\nrename\t0\t_1.tid.tmp\t_1.tid\nend\n";

// Runs `before` with the path of every file about to be opened for reading.
class CWriterBeside : public cs::platform::CEnvWrapper {
public:
    explicit CWriterBeside(std::function<void(const std::string& path)> before)
        : CEnvWrapper(cs::platform::PosixEnv()), m_before(std::move(before))
    {
    }
    int openFileForRead(const std::string& path) override
    {
        m_before(path);
        return target().openFileForRead(path);
    }

private:
    std::function<void(const std::string& path)> m_before;
};

class IndexSnapshot : public ::testing::Test {
public:   // the writers of the cases use them too
    // Barrels of `counts[i]` documents, each file holding its name (the .sfi
    // as long as its documents need), and the list of them.
    void commit(const std::vector<int>& counts)
    {
        std::string barrels;
        int start = 0;
        for (size_t i = 0; i < counts.size(); ++i) {
            std::string name = "_" + std::to_string(i);
            for (const char* extension : {".fdi", ".tid", ".did", ".sfd"})
                WriteFile(path(name + extension), name + extension);
            WriteFile(path(name + ".sfi"), std::string(8 * static_cast<size_t>(counts[i]), 'x'));
            barrels += "<barrel><name>" + name + "</name><doc_start>" + std::to_string(start) + "</doc_start><doc_count>" +
                       std::to_string(counts[i]) + "</doc_count><deleted_count>0</deleted_count></barrel>";
            start += counts[i];
        }
        WriteFile(path("index_status.xml.tmp"),
                  "<database><version>cs.1.0.0</version><barrel_counter>" + std::to_string(counts.size()) +
                      "</barrel_counter><barrel_count>" + std::to_string(counts.size()) + "</barrel_count><barrels>" +
                      barrels + "</barrels></database>");
        std::filesystem::rename(path("index_status.xml.tmp"), path("index_status.xml"));
    }
    std::string path(const std::string& name) const { return m_dir + "/" + name; }

protected:
    std::string m_dir = MakeTempDir("snapshot");
};

} // namespace

// Each writer acts just before the reader opens a file: `write` is given the
// file's name and how often it was opened, this time included. The view is
// then taken at the attempt given, of the barrels given.
TEST_F(IndexSnapshot, AViewTheWriterChangedIsTakenAgain)
{
    using Writer = std::function<void(IndexSnapshot& x, const std::string& name, int opening)>;
    struct Case {
        const char* what;
        bool planBefore;
        Writer write;
        int attempts;
        size_t barrels;
    };
    const std::vector<Case> cases = {
        {"a flush commits between the reading of the list and the opening", false,
         [](IndexSnapshot& x, const std::string& name, int opening) {
             if (name == "_0.fdi" && opening == 1)
                 x.commit({10, 5, 7});
         },
         2, 3},
        {"a merge removes a barrel the list names before it is opened", false,
         [](IndexSnapshot& x, const std::string& name, int opening) {
             if (name != "_1.tid" || opening != 1)
                 return;
             x.commit({15});
             for (const char* extension : {".fdi", ".tid", ".did", ".sfi", ".sfd"})
                 std::filesystem::remove(x.path(std::string("_1") + extension));
         },
         2, 1},
        {"a plan comes while the files are opened and goes before the list is read again", false,
         [](IndexSnapshot& x, const std::string& name, int opening) {
             if (name == "_1.fdi" && opening == 1)
                 WriteFile(x.path("index.plan"), kPlan);
             else if (name == "index_status.xml")
                 std::filesystem::remove(x.path("index.plan"));
         },
         2, 2},
        {"a plan under way when the list is read is waited for", true,
         [](IndexSnapshot& x, const std::string& name, int opening) {
             if (name == "index.plan" && opening == 3)
                 std::filesystem::remove(x.path("index.plan"));
         },
         3, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directory(m_dir);
        commit({10, 5});
        if (c.planBefore)
            WriteFile(path("index.plan"), kPlan);
        std::map<std::string, int> openings;
        CWriterBeside writer([&](const std::string& opened) {
            std::string name = opened.substr(opened.find_last_of('/') + 1);
            c.write(*this, name, ++openings[name]);
        });
        cs::platform::CEnvScope scope(writer);
        CIndexSnapshot snapshot(m_dir, CIndexSnapshot::StandingPlan::REFUSE, {10, 0});
        EXPECT_EQ(snapshot.attempts(), c.attempts);
        EXPECT_EQ(snapshot.barrels().size(), c.barrels);
        EXPECT_EQ(snapshot.damage(cs::index::CIndexRefusal::Use::READ), "");
        EXPECT_FALSE(snapshot.besidePlan());
    }
}

// After the view is taken the files may go: they are read as they were.
TEST_F(IndexSnapshot, TheFilesHeldAreReadAfterTheyAreGone)
{
    commit({10, 5});
    CIndexSnapshot snapshot(m_dir);
    std::filesystem::remove_all(m_dir);
    cs::store::CDirectory& files = snapshot.directory();
    EXPECT_EQ(files.readFile("_1.fdi"), "_1.fdi");
    EXPECT_EQ(files.fileLength("_1.sfi"), 40);
    EXPECT_FALSE(files.fileExists("_1.del"));
    EXPECT_EQ(RaisedMessage<std::runtime_error>([&] { files.readFile("_2.fdi"); }),
              "failed to open file: " + m_dir + "/_2.fdi (not a file of the index as it was read)");
    EXPECT_EQ(RaisedMessage<std::runtime_error>([&] { files.removeFile("_1.fdi"); }),
              "cannot remove " + m_dir + "/_1.fdi: the index is open for reading only");
}

// A writer that commits before every opening, and a plan that stands: after
// the bound the reader says so; a check takes what stands beside the plan; a
// plan that cannot be carried out is no replacement anyone waits for.
TEST_F(IndexSnapshot, TheBoundEndsTheReaderWithWhatHeldItUp)
{
    const std::string dir = m_dir;
    struct Case {
        const char* what;
        bool alwaysCommitting;
        const char* plan;   // written before
        CIndexSnapshot::StandingPlan standing;
        std::string raised;   // empty: taken, beside the plan when there is one
    };
    const std::vector<Case> cases = {
        {"a writer that never holds still", true, nullptr, CIndexSnapshot::StandingPlan::TAKE,
         dir + ": the index changed while it was read, 4 times in a row"},
        {"a standing plan, for a search", false, kPlan, CIndexSnapshot::StandingPlan::REFUSE,
         dir + ": a replacement of index files (index.plan) stayed unfinished while the index was read 4 times; when "
               "no csindexer runs, the next csindexer run completes it"},
        {"a standing plan, for a check", false, kPlan, CIndexSnapshot::StandingPlan::TAKE, ""},
        {"a damaged plan", false, "cs.plan 1\n", CIndexSnapshot::StandingPlan::REFUSE, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directory(m_dir);
        commit({10});
        if (c.plan)
            WriteFile(path("index.plan"), c.plan);
        int commits = 0;
        CWriterBeside writer([&](const std::string& opened) {
            if (c.alwaysCommitting && opened == path("_0.fdi"))
                commit({10 + ++commits});
        });
        cs::platform::CEnvScope scope(writer);
        const cs::index::CSnapshotPatience patience{4, 0};
        if (!c.raised.empty()) {
            EXPECT_EQ(RaisedMessage<std::runtime_error>([&] { CIndexSnapshot refused(m_dir, c.standing, patience); }),
                      c.raised);
            continue;
        }
        CIndexSnapshot snapshot(m_dir, c.standing, patience);
        EXPECT_EQ(snapshot.besidePlan(), c.standing == CIndexSnapshot::StandingPlan::TAKE);
        EXPECT_EQ(snapshot.attempts(), snapshot.besidePlan() ? 4 : 1);
        EXPECT_EQ(snapshot.barrels().size(), 1u);
    }
}
