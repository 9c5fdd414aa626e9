#include <gtest/gtest.h>

#include "platform/EnvScope.h"
#include "support/FullDiskEnv.h"
#include "support/TestSupport.h"
#include "utility/XmlDocument.h"

using cs::test::MakeTempDir;
using cs::test::ReadFile;
using cs::utility::CXmlDocument;
using cs::utility::CXmlNode;

namespace {
const std::string kGbk = "\xd6\xd0\xce\xc4";              // 中文
const std::string kUtf8 = "\xe4\xb8\xad\xe6\x96\x87";
} // namespace

TEST(XmlDocument, RoundTripOfGbkTextWithSpecialCharacters)
{
    std::string path = MakeTempDir("xml") + "/doc.xml";
    std::string text = kGbk + " <a> & \"b\" 'c'";
    {
        CXmlDocument document;
        document.createEmpty();
        CXmlNode root = document.createRoot("index");
        CXmlNode child = root.createChild("title", text);
        child.setAttribute("name", kGbk);
        root.createChild("empty");
        ASSERT_TRUE(document.save(path));
    }
    std::string file = ReadFile(path);
    EXPECT_EQ(file.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u);
    EXPECT_NE(file.find(kUtf8 + " &lt;a&gt; &amp;"), std::string::npos) << file;
    EXPECT_NE(file.find("\n  <title"), std::string::npos);   // indented
    EXPECT_EQ(file.find(kGbk), std::string::npos);

    CXmlDocument document;
    ASSERT_TRUE(document.parseFile(path));
    CXmlNode title = document.select("/index/title");
    ASSERT_TRUE(title);
    EXPECT_EQ(title.name(), "title");
    EXPECT_EQ(title.content(), text);
    std::string attribute;
    EXPECT_TRUE(title.getAttribute("name", attribute));
    EXPECT_EQ(attribute, kGbk);
    EXPECT_FALSE(title.getAttribute("other", attribute));
    EXPECT_EQ(title.nextSibling().name(), "empty");
    EXPECT_FALSE(title.nextSibling().nextSibling());
    EXPECT_FALSE(document.select("/index/none"));
    EXPECT_EQ(document.select("/index/none").content(), "");
}

TEST(XmlDocument, GbkElementNamesAndXPath)
{
    CXmlDocument document;
    ASSERT_TRUE(document.parseText("<r><" + kUtf8 + ">v</" + kUtf8 + "></r>"));
    CXmlNode node = document.select("/r/" + kGbk);
    ASSERT_TRUE(node);
    EXPECT_EQ(node.name(), kGbk);
    EXPECT_EQ(node.content(), "v");
}

TEST(XmlDocument, MalformedOrUnwritableFilesFail)
{
    std::string dir = MakeTempDir("xml");
    cs::test::WriteFile(dir + "/bad.xml", "<a><b></a>");
    CXmlDocument document;
    EXPECT_FALSE(document.parseFile(dir + "/bad.xml"));
    EXPECT_FALSE(document.parseFile(dir + "/absent.xml"));
    EXPECT_FALSE(document.parseText("not xml"));
    EXPECT_FALSE(document.select("/a"));
    EXPECT_FALSE(document.save(dir + "/nothing.xml"));   // no document

    document.createRoot("a");
    EXPECT_FALSE(document.save(dir));                      // a directory
    EXPECT_FALSE(document.save(dir + "/no/such/dir.xml"));
    EXPECT_TRUE(document.save(dir + "/good.xml"));

    cs::test::CFullDiskEnv disk(dir, 10);   // room for part of the document
    cs::platform::CEnvScope scope(disk);
    EXPECT_FALSE(document.save(dir + "/full.xml"));
}
