// Query values become the terms the indexer gave the same text: UTF-8 in,
// analysed in GBK, with each field's own analyser.
#include <gtest/gtest.h>

#include <zlib.h>

#include "config/Configurator.h"
#include "search/FieldAnalysis.h"
#include "support/AnalyzerTestData.h"
#include "support/TestSupport.h"

namespace {

using namespace cs::test;
using cs::search::CFieldAnalysis;

class FieldAnalysisTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InstallTestDictionary(); }
    // The built-in content mode: no such file gives the defaults.
    cs::utility::CConfigurator configurator{TestRoot() + "/no-such-content-mode.xml"};
    bool loaded = (configurator.load(), true);
    CFieldAnalysis analysis{&configurator.getContentMode(), "general.analyzer"};
};

int32_t Crc(const std::string& text)
{
    // The CRC-32 of zlib, which the crc analysers use.
    return static_cast<int32_t>(crc32(0L, reinterpret_cast<const Bytef*>(text.data()), static_cast<uInt>(text.size())));
}

TEST_F(FieldAnalysisTest, ChineseQueryInUtf8SegmentsLikeGbkText)
{
    // "计算机软件" is two dictionary words; "的" is a stop word and leaves no gap.
    EXPECT_EQ(analysis.terms("text", "计算机软件"),
              (std::vector<int32_t>{WordId("计算机"), WordId("软件")}));
    EXPECT_EQ(analysis.terms("text", "全文的索引"), (std::vector<int32_t>{WordId("全文"), WordId("索引")}));
    EXPECT_TRUE(analysis.terms("text", "的").empty());
    EXPECT_EQ(analysis.terms("text", "ABC 12345"), (std::vector<int32_t>{310731, 301234, 300005}));
}

TEST_F(FieldAnalysisTest, ValueFields)
{
    EXPECT_EQ(analysis.terms("user", "Alice"), std::vector<int32_t>{Crc("alice")}) << "user names are stored lower-case";
    // The second bytes of both GBK characters are ASCII capitals; they stay.
    EXPECT_EQ(analysis.terms("user", "馬華"), std::vector<int32_t>{Crc("\xF1\x52\xC8\x41")});
    EXPECT_EQ(analysis.terms("user", "蘇州ADMIN"), std::vector<int32_t>{Crc(Gbk("蘇州admin"))});
    EXPECT_EQ(analysis.terms("group", "Sales"), std::vector<int32_t>{Crc("Sales")});
    EXPECT_EQ(analysis.terms("type", "mail"), std::vector<int32_t>{4});
    EXPECT_EQ(analysis.terms("date", "2008-02-29"), std::vector<int32_t>{13938});
    EXPECT_EQ(analysis.dayNumber("date", "20080229"), 13938);
    EXPECT_EQ(analysis.terms("mail_send", "bob@example.com"),
              (std::vector<int32_t>{Crc("bob"), Crc("example.com")}));
    EXPECT_EQ(analysis.terms("mail_recv", "@example.com"), std::vector<int32_t>{Crc("example.com")});
    EXPECT_EQ(analysis.terms("mail_recv", "bob@"), std::vector<int32_t>{Crc("bob")});
}

TEST_F(FieldAnalysisTest, ValuesAFieldCannotTake)
{
    auto message = [&](const std::string& field, const std::string& value) {
        return RaisedMessage<CFieldAnalysis::CBadValue>([&] { analysis.terms(field, value); });
    };
    EXPECT_EQ(message("type", "Mail"), "'Mail' is no value of field type");
    EXPECT_EQ(message("date", "yesterday"), "'yesterday' is no value of field date");
    EXPECT_EQ(message("mail_send", "bob"), "'bob' is no e-mail address: give local@domain, @domain or local@");
    EXPECT_EQ(message("path", "x"), "field path is not indexed through an analyser and cannot be searched");
    EXPECT_EQ(message("colour", "x"), "the index has no field colour");
}

} // namespace
