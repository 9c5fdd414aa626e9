#include <gtest/gtest.h>

#include "content/ContentMode.h"
#include "support/TestSupport.h"
#include "utility/XmlDocument.h"

using cs::content::CContentMode;
using cs::content::CModeItem;
using cs::test::CLogCapture;
using cs::test::MakeTempDir;
using cs::test::WriteFile;

namespace {

// A content-mode file with the given mode_item elements.
std::string ModeFile(const std::string& items)
{
    std::string path = MakeTempDir("mode") + "/content_mode.xml";
    WriteFile(path, "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<argument>\n<content_mode>\n" + items +
                        "</content_mode>\n</argument>\n");
    return path;
}

std::string Item(const std::string& name, const std::string& store, const std::string& index,
                 const std::string& rest = std::string())
{
    return "<mode_item><name>" + name + "</name><store>" + store + "</store><index>" + index + "</index>" + rest +
           "</mode_item>\n";
}

std::string Indexed(const std::string& way, const std::string& boost, const std::string& analyzer = "crc.analyzer",
                    const std::string& indexer = "crc")
{
    return "<components><component name=\"analyzer\">" + analyzer +
           "</component><component name=\"analyzer_parameter\"/><component name=\"indexer\">" + indexer +
           "</component></components><index_way>" + way + "</index_way><boost>" + boost + "</boost>";
}

} // namespace

TEST(ContentMode, ReadsItemsByPositionWithFileOrderIds)
{
    // Element names do not matter, only their order.
    CContentMode mode;
    ASSERT_TRUE(mode.read(ModeFile(Item("zeta", "compress", "analyze", Indexed("0", "2.5", "general.analyzer", "text")) +
                                   "<mode_item><a>alpha</a><b>no</b><c>unanalyze</c>"
                                   "<d><x>email.analyzer</x><y>p1</y><z>crc</z></d><e>1</e><f>0.25</f></mode_item>"),
                          "/argument"));
    ASSERT_EQ(mode.size(), 2u);
    const CModeItem& zeta = mode.item(0);
    EXPECT_EQ(zeta.getFieldID(), 0);
    EXPECT_EQ(zeta.getName(), "zeta");
    EXPECT_EQ(zeta.getStoreKind(), 32);
    EXPECT_EQ(zeta.getIndexKind(), 2);
    EXPECT_EQ(zeta.getIndexWay(), 0);
    EXPECT_FLOAT_EQ(zeta.getBoost(), 2.5f);
    ASSERT_NE(zeta.getComponent("analyzer"), nullptr);
    EXPECT_EQ(*zeta.getComponent("analyzer"), "general.analyzer");
    EXPECT_EQ(zeta.getComponent("analyzer_parameter"), nullptr);   // empty means absent
    EXPECT_EQ(*zeta.getComponent("indexer"), "text");
    EXPECT_EQ(zeta.getComponent("other"), nullptr);

    const CModeItem& alpha = mode.item(1);
    EXPECT_EQ(alpha.getFieldID(), 1);
    EXPECT_EQ(alpha.getStoreKind(), 16);
    EXPECT_EQ(alpha.getIndexKind(), 4);
    EXPECT_EQ(alpha.getIndexWay(), 1);
    EXPECT_FLOAT_EQ(alpha.getBoost(), 0.25f);
    EXPECT_EQ(*alpha.getComponent("analyzer"), "email.analyzer");
    EXPECT_EQ(*alpha.getComponent("analyzer_parameter"), "p1");
    EXPECT_EQ(*alpha.getComponent("indexer"), "crc");
}

TEST(ContentMode, OtherWordsMapToUncompressAndNotIndexed)
{
    CContentMode mode;
    ASSERT_TRUE(mode.read(ModeFile(Item("a", "Compress", "Analyze") + Item("b", "", "") + Item("c", "yes", "index")),
                          "/argument"));
    ASSERT_EQ(mode.size(), 3u);
    for (size_t i = 0; i < mode.size(); ++i) {
        EXPECT_EQ(mode.item(i).getStoreKind(), 64) << i;
        EXPECT_EQ(mode.item(i).getIndexKind(), 1) << i;
        EXPECT_TRUE(mode.item(i).components().empty()) << i;
    }
}

TEST(ContentMode, NotIndexedItemWithoutFurtherChildrenReads)
{
    CLogCapture log;
    CContentMode mode;
    ASSERT_TRUE(mode.read(ModeFile(Item("path", "uncompress", "no") + "<mode_item><name>bare</name></mode_item>" +
                                   Item("text", "no", "analyze", Indexed("0", "1.00"))),
                          "/argument"));
    ASSERT_EQ(mode.size(), 3u);
    EXPECT_EQ(mode.item(0).getIndexKind(), 1);
    EXPECT_EQ(mode.item(1).getName(), "bare");
    EXPECT_EQ(mode.item(1).getStoreKind(), 64);
    EXPECT_EQ(mode.item(2).getFieldID(), 2);
    EXPECT_EQ(log.text(), "");
}

TEST(ContentMode, OnlyZeroIndexWayKeepsPositions)
{
    CContentMode mode;
    ASSERT_TRUE(mode.read(ModeFile(Item("a", "no", "analyze", Indexed("0", "1")) + Item("b", "no", "analyze", Indexed("00", "1")) +
                                   Item("c", "no", "analyze", Indexed("", "1")) + Item("d", "no", "analyze", Indexed("7", "1"))),
                          "/argument"));
    ASSERT_EQ(mode.size(), 4u);
    EXPECT_EQ(mode.item(0).getIndexWay(), 0);
    EXPECT_EQ(mode.item(1).getIndexWay(), 1);
    EXPECT_EQ(mode.item(2).getIndexWay(), 1);
    EXPECT_EQ(mode.item(3).getIndexWay(), 1);
}

TEST(ContentMode, BadBoostIsLoggedAndGivesOne)
{
    CLogCapture log;
    CContentMode mode;
    ASSERT_TRUE(mode.read(ModeFile(Item("a", "no", "analyze", Indexed("0", "abc")) + Item("b", "no", "analyze", Indexed("0", "1.5x")) +
                                   Item("c", "no", "analyze", Indexed("0", "")) + Item("d", "no", "analyze", Indexed("0", " 3.25 "))),
                          "/argument"));
    ASSERT_EQ(mode.size(), 4u);
    EXPECT_FLOAT_EQ(mode.item(0).getBoost(), 1.0f);
    EXPECT_FLOAT_EQ(mode.item(1).getBoost(), 1.0f);
    EXPECT_FLOAT_EQ(mode.item(2).getBoost(), 1.0f);
    EXPECT_FLOAT_EQ(mode.item(3).getBoost(), 3.25f);
    const std::string text = log.text();
    size_t count = 0;
    for (size_t pos = text.find("reading contentMode Boost error!"); pos != std::string::npos;
         pos = text.find("reading contentMode Boost error!", pos + 1))
        ++count;
    EXPECT_EQ(count, 3u);
}

TEST(ContentMode, UnparsableOrMissingFileFailsWithError)
{
    CLogCapture log;
    CContentMode mode;
    mode.addItem(CModeItem("old", 16, 1));
    std::string path = MakeTempDir("mode") + "/broken.xml";
    WriteFile(path, "<argument><content_mode><mode_item>");
    EXPECT_FALSE(mode.read(path, "/argument"));
    EXPECT_EQ(mode.size(), 0u);
    EXPECT_EQ(mode.path(), path);
    EXPECT_FALSE(mode.read(path + ".missing", "/argument"));
    EXPECT_TRUE(log.logged("ERROR", "failed to read contentMode file! "));
}

TEST(ContentMode, SameNameTwiceIsReadTwiceAndFoundFirst)
{
    CContentMode mode;
    ASSERT_TRUE(mode.read(ModeFile(Item("x", "no", "no") + Item("x", "compress", "no")), "/argument"));
    ASSERT_EQ(mode.size(), 2u);
    ASSERT_NE(mode.find("x"), nullptr);
    EXPECT_EQ(mode.find("x")->getFieldID(), 0);
    EXPECT_EQ(mode.find("X"), nullptr);   // names are case-sensitive
    EXPECT_EQ(mode.find("x "), nullptr);
}

TEST(ContentMode, AddItemKeepsExistingNamesAndCountsOn)
{
    CContentMode mode;
    EXPECT_EQ(mode.addItem(CModeItem("a", 16, 1)), 0);
    EXPECT_EQ(mode.addItem(CModeItem("b", 32, 2, 1, 2.0f)), 1);
    EXPECT_EQ(mode.addItem(CModeItem("a", 64, 4)), 0);
    ASSERT_EQ(mode.size(), 2u);
    EXPECT_EQ(mode.find("a")->getStoreKind(), 16);   // unchanged
    mode.clear();
    EXPECT_EQ(mode.size(), 0u);
    EXPECT_EQ(mode.addItem(CModeItem("c", 16, 1)), 0);
}

TEST(ContentMode, WriteAndReadBackUnderDatabase)
{
    CContentMode mode;
    CModeItem text("text", 16, 2, 0, 1.5f);
    text.setComponent("analyzer", "general.analyzer");
    text.setComponent("indexer", "text");
    mode.addItem(text);
    mode.addItem(CModeItem("abstract", 32, 1));
    CModeItem user("\xd3\xc3\xbb\xa7", 64, 4, 1);   // a GBK name
    user.setComponent("analyzer", "crc.analyzer");
    user.setComponent("analyzer_parameter", "p");
    user.setComponent("indexer", "crc");
    mode.addItem(user);

    cs::utility::CXmlDocument document;
    document.createEmpty();
    cs::utility::CXmlNode root = document.createRoot("database");
    root.createChild("version", "cs.1.0.0");
    mode.write(root);
    std::string path = MakeTempDir("mode") + "/index_status.xml";
    ASSERT_TRUE(document.save(path));

    std::string saved = cs::test::ReadFile(path);
    EXPECT_NE(saved.find("<boost>1.50</boost>"), std::string::npos);
    EXPECT_NE(saved.find("<component name=\"analyzer\">general.analyzer</component>"), std::string::npos);
    EXPECT_NE(saved.find("<name>\xe7\x94\xa8\xe6\x88\xb7</name>"), std::string::npos);   // UTF-8 in the file
    // The not-indexed item has no components.
    size_t abstractAt = saved.find("<name>abstract</name>");
    ASSERT_NE(abstractAt, std::string::npos);
    EXPECT_EQ(saved.substr(abstractAt, saved.find("</mode_item>", abstractAt) - abstractAt).find("components"),
              std::string::npos);

    CContentMode back;
    ASSERT_TRUE(back.read(path, "/database"));
    ASSERT_EQ(back.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(back.item(i).getFieldID(), mode.item(i).getFieldID());
        EXPECT_EQ(back.item(i).getName(), mode.item(i).getName());
        EXPECT_EQ(back.item(i).getStoreKind(), mode.item(i).getStoreKind());
        EXPECT_EQ(back.item(i).getIndexKind(), mode.item(i).getIndexKind());
        EXPECT_EQ(back.item(i).components(), mode.item(i).components());
    }
    EXPECT_EQ(back.item(0).getIndexWay(), 0);
    EXPECT_FLOAT_EQ(back.item(0).getBoost(), 1.5f);
    EXPECT_EQ(back.item(2).getIndexWay(), 1);
}
