#include <gtest/gtest.h>

#include "config/Configurator.h"
#include "support/TestSupport.h"

using cs::content::CContentMode;
using cs::utility::CConfigurator;
using cs::test::CLogCapture;
using cs::test::MakeTempDir;
using cs::test::WriteFile;

namespace {

const char* const kMissingWarning = "contentMode configurate file doesn't exist.Using default config.";

// The built-in defaults, item by item; the shipped file stores "date" (as
// `dateStore`, so that hits show their dates) and is the defaults otherwise.
void ExpectDefaults(const CConfigurator& configurator, int dateStore = 16)
{
    EXPECT_EQ(configurator.getCollectionArgument().identifier, "directory.collection");
    EXPECT_EQ(configurator.getCollectionArgument().parameter, "");
    EXPECT_EQ(configurator.getParserIdentifiers(), std::vector<std::string>{"txt.parser"});
    EXPECT_EQ(configurator.getAnalyzerArgument().identifier, "general.analyzer");
    EXPECT_EQ(configurator.getAnalyzerArgument().parameter, "");

    struct Expected {
        const char* name;
        int store, index, way;
        const char *analyzer, *indexer;
    };
    const Expected expected[] = {
        {"text", 16, 2, 0, "general.analyzer", "text"},   {"user", 16, 2, 1, "crc.analyzer", "crc"},
        {"group", 16, 2, 1, "crc.analyzer", "crc"},       {"date", dateStore, 2, 1, "datetime.analyzer", "date"},
        {"path", 64, 1, 0, nullptr, nullptr},             {"abstract", 32, 1, 0, nullptr, nullptr},
        {"mail_send", 16, 2, 0, "email.analyzer", "crc"}, {"mail_recv", 16, 2, 0, "email.analyzer", "crc"},
        {"type", 16, 2, 1, "type.analyzer", "crc"},
    };
    const CContentMode& mode = configurator.getContentMode();
    ASSERT_EQ(mode.size(), std::size(expected));
    for (size_t i = 0; i < mode.size(); ++i) {
        const auto& item = mode.item(i);
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(item.getFieldID(), static_cast<int>(i));
        EXPECT_EQ(item.getName(), expected[i].name);
        EXPECT_EQ(item.getStoreKind(), expected[i].store);
        EXPECT_EQ(item.getIndexKind(), expected[i].index);
        EXPECT_FLOAT_EQ(item.getBoost(), 1.0f);
        EXPECT_EQ(item.getComponent("analyzer_parameter"), nullptr);
        if (expected[i].analyzer) {
            EXPECT_EQ(item.getIndexWay(), expected[i].way);
            ASSERT_NE(item.getComponent("analyzer"), nullptr);
            EXPECT_EQ(*item.getComponent("analyzer"), expected[i].analyzer);
            EXPECT_EQ(*item.getComponent("indexer"), expected[i].indexer);
        } else {
            EXPECT_TRUE(item.components().empty());
        }
    }
}

} // namespace

TEST(Configurator, MissingFileGivesDefaultsWithWarning)
{
    CLogCapture log;
    CConfigurator configurator(MakeTempDir("cfg") + "/content_mode.xml");
    EXPECT_TRUE(configurator.load());
    ExpectDefaults(configurator);
    EXPECT_TRUE(log.logged("WARN", kMissingWarning));
}

TEST(Configurator, UnparsableFileIsAnErrorNamingTheFileAndTheLine)
{
    std::string path = MakeTempDir("cfg") + "/content_mode.xml";
    WriteFile(path, "<argument>\n<collection>");
    CConfigurator configurator(path);
    std::string message = cs::test::RaisedMessage<std::runtime_error>([&] { configurator.load(); });
    EXPECT_EQ(message.rfind("contentMode configurate file can't be read: " + path + " (line 2: ", 0), 0u) << message;
}

TEST(Configurator, SampleFileEqualsTheDefaultsButStoresDates)
{
    CConfigurator configurator(cs::test::SourcePath("conf/content_mode.xml"));
    EXPECT_TRUE(configurator.load());
    ExpectDefaults(configurator, 64);
}

TEST(Configurator, ReadsArgumentsAndEveryParser)
{
    std::string path = MakeTempDir("cfg") + "/content_mode.xml";
    WriteFile(path, "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                    "<argument>\n"
                    "  <collection><identifier>database.collection</identifier><parameter>gw1</parameter></collection>\n"
                    "  <parser><identifier>txt.parser</identifier><identifier>html.parser</identifier>"
                    "<other>eml.parser</other></parser>\n"
                    "  <analyzer><identifier>crc.analyzer</identifier><parameter>x</parameter></analyzer>\n"
                    "  <content_mode><mode_item><name>only</name><store>compress</store><index>no</index></mode_item>"
                    "</content_mode>\n"
                    "</argument>\n");
    CConfigurator configurator(path);
    EXPECT_TRUE(configurator.load());
    EXPECT_EQ(configurator.getCollectionArgument().identifier, "database.collection");
    EXPECT_EQ(configurator.getCollectionArgument().parameter, "gw1");
    // Every sibling after the first identifier names a parser, whatever its element name.
    EXPECT_EQ(configurator.getParserIdentifiers(),
              (std::vector<std::string>{"txt.parser", "html.parser", "eml.parser"}));
    EXPECT_EQ(configurator.getAnalyzerArgument().identifier, "crc.analyzer");
    EXPECT_EQ(configurator.getAnalyzerArgument().parameter, "x");
    ASSERT_EQ(configurator.getContentMode().size(), 1u);
    EXPECT_EQ(configurator.getContentMode().item(0).getStoreKind(), 32);
    EXPECT_EQ(configurator.getContentMode().path(), path);
    EXPECT_EQ(configurator.getPath(), path);
}
