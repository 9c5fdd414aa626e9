#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "utility/ConfigPath.h"
#include "utility/OsUtility.h"

using cs::test::CLogCapture;
using cs::test::MakeTempDir;
using cs::test::WriteFile;
using cs::utility::CConfigPath;

namespace {

std::string PathConfig(const std::string& dir, const std::string& body)
{
    std::string file = dir + "/pathconfig.xml";
    WriteFile(file, "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<pathconfig>" + body + "</pathconfig>\n");
    return file;
}

// The runtime error raised while loading `file`.
std::string LoadError(const std::string& file)
{
    try {
        CConfigPath paths(file);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "no error";
}

} // namespace

TEST(ConfigPath, RootGetsOneSeparator)
{
    std::string dir = MakeTempDir("paths");
    WriteFile(dir + "/conf/global.xml", "<config/>");
    for (const std::string& root : {dir + "/conf", dir + "/conf/"}) {
        CConfigPath paths(PathConfig(dir, "<root>" + root + "</root><GLOBAL_CONFIG_PATH>global.xml</GLOBAL_CONFIG_PATH>"));
        EXPECT_EQ(paths.getPath("GLOBAL_CONFIG_PATH"), dir + "/conf/global.xml");
    }
    CConfigPath backslash(PathConfig(dir, "<root>conf\\</root><A>a.xml</A>"));
    EXPECT_EQ(backslash.getPath("A"), dir + "/conf\\a.xml");
    CConfigPath empty(PathConfig(dir, "<root></root><A>rel/a.xml</A>"));
    EXPECT_EQ(empty.getPath("A"), dir + "/rel/a.xml");
}

TEST(ConfigPath, RelativeRootIsTakenFromTheFilesDirectory)
{
    // Found beside the programs, the file's directory; found in the current
    // directory (a bare "pathconfig.xml"), the current directory.
    std::string dir = MakeTempDir("paths");
    CConfigPath beside(PathConfig(dir, "<root>conf</root><A>a.xml</A>"));
    EXPECT_EQ(beside.getPath("A"), dir + "/conf/a.xml");
    EXPECT_EQ(cs::utility::PathConfigRoot("pathconfig.xml", "conf"), "conf/");
    EXPECT_EQ(cs::utility::PathConfigRoot("/home/x/pathconfig.xml", "/etc/cs"), "/etc/cs/");
}

TEST(ConfigPath, MissingFilesAreKeptWithAWarning)
{
    std::string dir = MakeTempDir("paths");
    CLogCapture log;
    CConfigPath paths(PathConfig(dir, "<root>" + dir + "</root><DICTIONARY_PATH>none.txt</DICTIONARY_PATH>"
                                      "<DICTIONARY_PATH>second.txt</DICTIONARY_PATH>"));
    EXPECT_EQ(paths.getPath("DICTIONARY_PATH"), dir + "/none.txt");   // the first one wins
    EXPECT_TRUE(log.logged("WARN", "config file: DICTIONARY_PATH is not exist or doesn't have access permission"));
}

TEST(ConfigPath, UnknownEntryIsARuntimeError)
{
    std::string dir = MakeTempDir("paths");
    CConfigPath paths(PathConfig(dir, "<root>" + dir + "</root>"));
    EXPECT_FALSE(paths.hasPath("STRRES_PATH"));
    try {
        paths.getPath("STRRES_PATH");
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()).rfind("no such config file: STRRES_PATH (file: ", 0), 0u) << e.what();
    }
}

TEST(ConfigPath, MalformedFilesAreRuntimeErrors)
{
    std::string dir = MakeTempDir("paths");
    std::string file = dir + "/pathconfig.xml";
    WriteFile(file, "<pathconfig><root>x</root>");
    EXPECT_EQ(LoadError(file).rfind("failed to parse " + file + " (line 1: ", 0), 0u) << LoadError(file);
    EXPECT_EQ(LoadError(dir).rfind("failed to parse " + dir + " (Is a directory) (file: ", 0), 0u)   // unreadable
        << LoadError(dir);
    PathConfig(dir, "<GLOBAL_CONFIG_PATH>global.xml</GLOBAL_CONFIG_PATH>");
    EXPECT_EQ(LoadError(file).rfind("not found root path node in " + file + " (file: ", 0), 0u) << LoadError(file);
}

TEST(ConfigPath, TheProcessInstanceReadsTheTestRoot)
{
    EXPECT_EQ(CConfigPath::instance().getPath("STRRES_PATH"), cs::test::TestRoot() + "/strres.xml");
}
