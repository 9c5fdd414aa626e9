// The power-cut model over a real directory, told of each change by the
// fault-injection environment as the system's changes tell it: what a cut
// leaves of each kind of change, with and without the commit or the directory
// sync that makes it durable.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

#include "support/FaultInjectionEnv.h"
#include "support/TestSupport.h"

namespace {

using cs::platform::CEnv;
using namespace cs::test;

// Writes a whole file, new or over an old one, committed or not.
void Write(CEnv& env, const std::string& path, const std::string& text, bool commit)
{
    int fd = env.createTruncated(path);
    ASSERT_GE(fd, 0) << path;
    ASSERT_TRUE(env.writeAll(fd, text.data(), text.size()));
    if (commit) {
        ASSERT_TRUE(env.commitFile(fd));
    }
    ASSERT_TRUE(env.closeFile(fd));
}

} // namespace

TEST(PowerCutModel, KeepsTheBytesLastCommittedUnderTheNamesLastSynced)
{
    using Changes = std::function<void(CEnv&, const std::string&)>;
    const struct {
        const char* what;
        Changes changes;
        std::map<std::string, std::string> left;
    } cases[] = {
        {"an unsynced write is dropped",
         [](CEnv& env, const std::string& dir) {
             int fd = env.openFileForAppend(dir + "/a");
             ASSERT_TRUE(env.writeAll(fd, "new", 3));
             ASSERT_TRUE(env.closeFile(fd));
         },
         {{"a", "old"}}},
        {"a committed write is kept",
         [](CEnv& env, const std::string& dir) {
             int fd = env.openFileForUpdate(dir + "/a");
             ASSERT_TRUE(env.writeAllAt(fd, "NEW", 3, 0));
             ASSERT_TRUE(env.commitFile(fd));
             ASSERT_TRUE(env.closeFile(fd));
         },
         {{"a", "NEW"}}},
        {"bytes written after the commit are dropped",
         [](CEnv& env, const std::string& dir) {
             int fd = env.createTruncated(dir + "/a");
             ASSERT_TRUE(env.writeAll(fd, "one", 3));
             ASSERT_TRUE(env.commitFile(fd));
             ASSERT_TRUE(env.writeAll(fd, "two", 3));
             ASSERT_TRUE(env.closeFile(fd));
         },
         {{"a", "one"}}},
        {"a truncation is undone without a commit",
         [](CEnv& env, const std::string& dir) { Write(env, dir + "/a", "x", false); }, {{"a", "old"}}},
        {"a new file is gone without a directory sync",
         [](CEnv& env, const std::string& dir) { Write(env, dir + "/b", "new", true); }, {{"a", "old"}}},
        {"a new file committed under a synced name is kept",
         [](CEnv& env, const std::string& dir) {
             Write(env, dir + "/b", "new", true);
             ASSERT_TRUE(env.syncDirectory(dir));
         },
         {{"a", "old"}, {"b", "new"}}},
        {"a new file never committed is empty under a synced name",
         [](CEnv& env, const std::string& dir) {
             Write(env, dir + "/b", "new", false);
             ASSERT_TRUE(env.syncDirectory(dir));
         },
         {{"a", "old"}, {"b", ""}}},
        {"a rename is undone without a directory sync",
         [](CEnv& env, const std::string& dir) {
             Write(env, dir + "/b", "new", true);
             ASSERT_TRUE(env.syncDirectory(dir));
             ASSERT_TRUE(env.moveFileReplace(dir + "/b", dir + "/a"));
         },
         {{"a", "old"}, {"b", "new"}}},
        {"a rename is kept with a directory sync",
         [](CEnv& env, const std::string& dir) {
             Write(env, dir + "/b", "new", true);
             ASSERT_TRUE(env.moveFileReplace(dir + "/b", dir + "/a"));
             ASSERT_TRUE(env.syncDirectory(dir));
         },
         {{"a", "new"}}},
        {"a removal is undone without a directory sync",
         [](CEnv& env, const std::string& dir) { ASSERT_TRUE(env.removeFile(dir + "/a")); }, {{"a", "old"}}},
        {"a removal is kept with a directory sync",
         [](CEnv& env, const std::string& dir) {
             ASSERT_TRUE(env.removeFile(dir + "/a"));
             ASSERT_TRUE(env.syncDirectory(dir));
         },
         {}},
        {"a copy is never committed",
         [](CEnv& env, const std::string& dir) {
             ASSERT_TRUE(env.copyFileNoReplace(dir + "/a", dir + "/c"));
             ASSERT_TRUE(env.syncDirectory(dir));
         },
         {{"a", "old"}, {"c", ""}}},
        {"a new directory synced in its parent only is empty",
         [](CEnv& env, const std::string& dir) {
             ASSERT_TRUE(env.createOneDirectory(dir + "/sub"));
             Write(env, dir + "/sub/c", "c", true);
             ASSERT_TRUE(env.syncDirectory(dir));
         },
         {{"a", "old"}, {"sub/", ""}}},
        {"a new directory synced in its parent and itself keeps its names",
         [](CEnv& env, const std::string& dir) {
             ASSERT_TRUE(env.createOneDirectory(dir + "/sub"));
             Write(env, dir + "/sub/c", "c", true);
             ASSERT_TRUE(env.syncDirectory(dir + "/sub"));
             ASSERT_TRUE(env.syncDirectory(dir));
         },
         {{"a", "old"}, {"sub/", ""}, {"sub/c", "c"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string dir = MakeTempDir("powercut");
        WriteFile(dir + "/a", "old");
        CFaultInjectionEnv env(dir);
        c.changes(env, dir);
        env.cut();
        EXPECT_EQ(TreeBytes(dir), c.left);
    }
}
