#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "utility/StringResource.h"

using cs::test::MakeTempDir;
using cs::test::WriteFile;
using cs::utility::CStringResource;

namespace {

std::string Resources(const std::string& body)
{
    std::string path = MakeTempDir("strres") + "/strres.xml";
    WriteFile(path, "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n" + body);
    return path;
}

} // namespace

TEST(StringResource, ReadsTheChsEntries)
{
    CStringResource resource;
    ASSERT_TRUE(resource.load(Resources("<string_resource><en><IDR_A>english</IDR_A></en>"
                                        "<chs><IDR_A>first %s</IDR_A><IDR_B>\xe4\xb8\xad</IDR_B></chs>"
                                        "</string_resource>")));
    EXPECT_EQ(resource.get("IDR_A"), "first %s");
    EXPECT_EQ(resource.get("IDR_B"), "\xd6\xd0");   // GBK inside
}

TEST(StringResource, FailedLoadLeavesTheTableAsItWas)
{
    CStringResource resource;
    ASSERT_TRUE(resource.load(Resources("<string_resource><chs><IDR_A>kept</IDR_A></chs></string_resource>")));
    std::string dir = MakeTempDir("strres");
    WriteFile(dir + "/broken.xml", "<string_resource><chs>");
    for (const std::string& path : {Resources("<string_resource><en><IDR_A>x</IDR_A></en></string_resource>"),
                                    dir + "/broken.xml", dir + "/absent.xml", dir, std::string()}) {
        EXPECT_FALSE(resource.load(path)) << path;
        EXPECT_EQ(resource.get("IDR_A"), "kept") << path;
    }
}

TEST(StringResource, ALoadReplacesTheWholeTable)
{
    CStringResource resource;
    ASSERT_TRUE(resource.load(Resources("<string_resource><chs><IDR_A>a</IDR_A></chs></string_resource>")));
    ASSERT_TRUE(resource.load(Resources("<string_resource><chs><IDR_B>b</IDR_B></chs></string_resource>")));
    std::string text;
    EXPECT_FALSE(resource.find("IDR_A", text));
    EXPECT_EQ(resource.get("IDR_B"), "b");
}

TEST(StringResource, UnknownIdentifierIsARuntimeError)
{
    CStringResource resource;
    try {
        resource.get("IDR_NONE");
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()).rfind("failed to load string resource: IDR_NONE (file: ", 0), 0u) << e.what();
    }
}

TEST(StringResource, TheBundledFileHasEveryIdentifier)
{
    CStringResource resource;
    ASSERT_TRUE(resource.load(cs::test::SourcePath("conf/strres.xml")));
    for (const char* id : {"IDR_LACK_MEMORY", "IDR_NEED_CONFIGDB", "IDR_INDEXING_GATEWAY", "IDR_LACK_DISKSPACE",
                           "IDR_NEED_RESTART"})
        EXPECT_FALSE(resource.get(id).empty()) << id;
}

TEST(StringResource, FormatsWithOtherConversionsGiveWayToTheBuiltInText)
{
    struct Case {
        const char* id;
        const char* text;
        const char* used;   // null: the file's own text
    };
    const char* const gateway = "indexing database: %s, done: ";
    const char* const memory = "not enough memory for the index cache: %u MiB configured in /config/index/memory";
    for (const Case& c : {Case{"IDR_INDEXING_GATEWAY", "db %s%n", gateway}, Case{"IDR_INDEXING_GATEWAY", "db", gateway},
                          Case{"IDR_INDEXING_GATEWAY", "db %d", gateway}, Case{"IDR_INDEXING_GATEWAY", "db %-10s 100%%", nullptr},
                          Case{"IDR_LACK_MEMORY", "%s MiB", memory}, Case{"IDR_LACK_MEMORY", "%lu MiB", memory},
                          Case{"IDR_LACK_MEMORY", "%*d", memory}, Case{"IDR_LACK_MEMORY", "%", memory},
                          Case{"IDR_LACK_MEMORY", "%u MiB, %x", memory}, Case{"IDR_LACK_MEMORY", "%5u MiB", nullptr},
                          Case{"IDR_NEED_CONFIGDB", "100% of %s", nullptr}}) {
        cs::test::CLogCapture log;
        CStringResource resource;
        ASSERT_TRUE(resource.load(Resources(std::string("<string_resource><chs><") + c.id + ">" + c.text + "</" + c.id +
                                            "></chs></string_resource>")));
        EXPECT_EQ(resource.get(c.id), c.used ? c.used : c.text) << c.text;
        EXPECT_EQ(log.logged("WARN", std::string("string resource ") + c.id), c.used != nullptr) << c.text;
    }
}
