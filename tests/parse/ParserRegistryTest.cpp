// The registry of parser creators.
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "ParseTestKit.h"
#include "content/FileType.h"
#include "parse/ConverterParser.h"
#include "parse/ParserRegistry.h"
#include "parse/TxtParser.h"
#include "support/TestSupport.h"

using namespace cs::parse;

TEST(ParserRegistryTest, TenBuiltInCreators)
{
    const struct {
        const char* identifier;
        int32_t fileType;
    } kExpected[] = {
        {"txt.parser", cs::content::filetype::TXT},       {"html.parser", cs::content::filetype::HTML},     {"eml.parser", cs::content::filetype::EML},
        {"doc.parser", cs::content::filetype::DOC},       {"ppt.parser", cs::content::filetype::PPT},       {"xls.parser", cs::content::filetype::XLS},
        {"pdf.parser", cs::content::filetype::PDF},       {"compress.parser", cs::content::filetype::COMP}, {"search.parser", cs::content::filetype::SEARCH},
        {"unkown.parser", cs::content::filetype::UNKNOWN},
    };
    CParserRegistry& registry = CParserRegistry::instance();
    for (const auto& entry : kExpected) {
        CParser::CCreator* pCreator = registry.find(entry.identifier);
        ASSERT_NE(pCreator, nullptr) << entry.identifier;
        EXPECT_STREQ(pCreator->identifier(), entry.identifier);
        EXPECT_EQ(pCreator->fileType(), entry.fileType);
        EXPECT_EQ(registry.fileTypeOf(entry.identifier), entry.fileType);
        EXPECT_EQ(registry.findByFileType(entry.fileType), pCreator);
        std::unique_ptr<CParser> parser = pCreator->create();
        ASSERT_NE(parser, nullptr);
        parser->setContentMode(&cs::test::ParseTestMode());
        EXPECT_EQ(cs::test::LogicErrorText([&] { parser->setContentMode(nullptr); }).rfind("INVALID ARGUMENT: pMode", 0), 0u)
            << entry.identifier;
    }
    EXPECT_EQ(registry.find("unknown.parser"), nullptr);
    EXPECT_EQ(registry.fileTypeOf("unknown.parser"), cs::content::filetype::UNKNOWN);
    EXPECT_EQ(registry.findByFileType(cs::content::filetype::UNUSED), nullptr);
    EXPECT_EQ(registry.findByFileType(cs::content::filetype::COUNT), nullptr);
}

TEST(ParserRegistryTest, RegisterReplacesAndRefusesNull)
{
    CParserRegistry& registry = CParserRegistry::instance();
    EXPECT_EQ(cs::test::LogicErrorText([&] { registry.registerCreator(nullptr); }).rfind("INVALID ARGUMENT: pCreator", 0), 0u);

    CParser::CCreator* pOriginal = registry.find("txt.parser");
    CParserCreator<CTxtParser> replacement("txt", cs::content::filetype::TXT);
    registry.registerCreator(&replacement);
    EXPECT_EQ(registry.find("txt.parser"), &replacement);
    registry.registerCreator(pOriginal);

    // Creators are found by file type in identifier order.
    CParserCreator<CTxtParser> early("aaa", cs::content::filetype::TXT);
    registry.registerCreator(&early);
    EXPECT_EQ(registry.findByFileType(cs::content::filetype::TXT), &early);
    CParserCreator<CTxtParser> restore("aaa", cs::content::filetype::UNUSED);
    registry.registerCreator(&restore);
    EXPECT_EQ(registry.findByFileType(cs::content::filetype::TXT), pOriginal);
}

TEST(ParserRegistryTest, OfficeTypesRunTheConvertersOfThePathConfiguration)
{
    const struct {
        int32_t fileType;
        const char* converter;
    } kExpected[] = {{cs::content::filetype::DOC, "/converters/doc2txt"},
                     {cs::content::filetype::PPT, "/converters/ppt2txt"},
                     {cs::content::filetype::XLS, "/converters/xls2txt"},
                     {cs::content::filetype::PDF, "/converters/pdf2txt"}};
    for (const auto& entry : kExpected) {
        std::unique_ptr<CParser> parser = CParserRegistry::instance().findByFileType(entry.fileType)->create();
        auto* pConverter = dynamic_cast<CConverterParser*>(parser.get());
        ASSERT_NE(pConverter, nullptr) << entry.fileType;
        EXPECT_EQ(pConverter->converterPath(), cs::test::TestRoot() + entry.converter);
    }
}
