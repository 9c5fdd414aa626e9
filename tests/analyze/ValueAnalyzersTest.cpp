// The analyzers of exact-value fields: CRC, e-mail address, date and type.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include <zlib.h>

#include "support/AnalyzerTestData.h"
#include "analyze/AnalyzerRegistry.h"
#include "analyze/CrcAnalyzer.h"
#include "analyze/DatetimeAnalyzer.h"
#include "analyze/EmailaddrAnalyzer.h"
#include "analyze/TypeAnalyzer.h"
#include "support/TestSupport.h"

using namespace cs::analyze;
using cs::test::Analyze;
using Tokens = std::vector<wid_t>;

namespace {

// zlib's own CRC-32, as a word id.
wid_t Crc(const std::string& bytes)
{
    return static_cast<wid_t>(crc32(0L, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

void ExpectAssertion(CAnalyzer& analyzer, const std::string& text, const std::string& condition)
{
    CTokenList<wid_t> tokens;
    try {
        analyzer.analyze(text.data(), text.size(), &tokens);
        ADD_FAILURE() << "no error for " << text;
    } catch (const std::logic_error& e) {
        EXPECT_NE(std::string(e.what()).find("ASSERT FAILED: " + condition + " (file: "), std::string::npos)
            << e.what();
    }
    EXPECT_EQ(tokens.size(), 0u);
}

} // namespace

TEST(CrcAnalyzer, CheckValueAndSignificantBytes)
{
    CCrcAnalyzer analyzer;
    int count = 0;
    EXPECT_EQ(Analyze(analyzer, "123456789", &count), (Tokens{-873187034}));
    EXPECT_EQ(count, 1);
    EXPECT_EQ(Analyze(analyzer, "Admin "), (Tokens{Crc("Admin ")}));
    EXPECT_NE(Analyze(analyzer, "admin"), Analyze(analyzer, "Admin"));
    const std::string binary("a\0b\xff", 4);
    EXPECT_EQ(Analyze(analyzer, binary), (Tokens{Crc(binary)}));
}

TEST(EmailaddrAnalyzer, LocalPartAndDomainOfEachAddress)
{
    CEmailaddrAnalyzer analyzer;
    int count = 0;
    EXPECT_EQ(Analyze(analyzer, "alice@example.com  Bob@Mail.org", &count),
              (Tokens{Crc("alice"), Crc("example.com"), Crc("Bob"), Crc("Mail.org")}));
    EXPECT_EQ(count, 4);
    EXPECT_EQ(Analyze(analyzer, "a@x;b@y;", &count), (Tokens{Crc("a"), Crc("x"), Crc("b"), Crc("y")}));
    EXPECT_EQ(count, 4);
    EXPECT_EQ(Analyze(analyzer, " a@x, b@y\t\r\nc@z", &count), (Tokens{Crc("a"), Crc("x"), Crc("b"), Crc("y"), Crc("c"), Crc("z")}));
    EXPECT_EQ(count, 6);
}

TEST(EmailaddrAnalyzer, EmptyDomainAndFurtherAts)
{
    CEmailaddrAnalyzer analyzer;
    EXPECT_EQ(Analyze(analyzer, "user@"), (Tokens{Crc("user"), 0}));
    EXPECT_EQ(Analyze(analyzer, "@host"), (Tokens{0, Crc("host")}));
    EXPECT_EQ(Analyze(analyzer, "a@b@c"), (Tokens{Crc("a"), Crc("b@c")}));
}

TEST(EmailaddrAnalyzer, WordWithoutAtIsSkipped)
{
    cs::test::CLogCapture log;
    CEmailaddrAnalyzer analyzer;
    int count = -1;
    EXPECT_EQ(Analyze(analyzer, "Alice <alice@example.com>", &count), (Tokens{Crc("<alice"), Crc("example.com>")}));
    EXPECT_EQ(count, 2);
    EXPECT_EQ(Analyze(analyzer, "undisclosed-recipients ;", &count), Tokens{});
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(log.logged("DEBUG", "undisclosed-recipients"));
}

TEST(DatetimeAnalyzer, DayNumbersOfBothForms)
{
    CDatetimeAnalyzer analyzer;
    int count = 0;
    EXPECT_EQ(Analyze(analyzer, "20080229", &count), (Tokens{13938}));
    EXPECT_EQ(count, 1);
    EXPECT_EQ(Analyze(analyzer, "2008-02-29"), (Tokens{13938}));
    EXPECT_EQ(Analyze(analyzer, "2008/2/29"), (Tokens{13938}));
    EXPECT_EQ(Analyze(analyzer, "2008-02-29 23:59:59"), (Tokens{13938}));
    EXPECT_EQ(Analyze(analyzer, "1970-01-01"), (Tokens{0}));
    EXPECT_EQ(Analyze(analyzer, "19700102"), (Tokens{1}));
    EXPECT_EQ(Analyze(analyzer, "1969-12-31"), (Tokens{-1}));
    EXPECT_EQ(Analyze(analyzer, "2000-03-01"), (Tokens{11017}));
}

TEST(DatetimeAnalyzer, DayNumbersFollowTheCalendar)
{
    // Consecutive calendar days from 1400 on differ by one.
    wid_t previous = CDatetimeAnalyzer::dayNumber(1400, 1, 1);
    int daysInMonth[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (int year = 1400; year <= 2400; ++year) {
        bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
        for (int month = 1; month <= 12; ++month) {
            int days = daysInMonth[month - 1] + (month == 2 && leap ? 1 : 0);
            for (int day = 1; day <= days; ++day) {
                if (year == 1400 && month == 1 && day == 1)
                    continue;
                wid_t current = CDatetimeAnalyzer::dayNumber(year, month, day);
                ASSERT_EQ(current, previous + 1) << year << "-" << month << "-" << day;
                previous = current;
            }
        }
    }
}

TEST(DatetimeAnalyzer, BadDatesRaiseRet)
{
    CDatetimeAnalyzer analyzer;
    for (const char* text : {"20080230", "2008-02-30", "2007-02-29", "20081301", "13990101", "2008-1-",
                             "2008-xx-01", "abcdefgh", "1234567", ""})
        ExpectAssertion(analyzer, text, "ret");
}

TEST(TypeAnalyzer, RecordTypeWords)
{
    CTypeAnalyzer analyzer;
    const std::pair<const char*, wid_t> words[] = {{"web", 0}, {"chat", 1}, {"httpup", 2}, {"search", 3}, {"mail", 4}};
    for (const auto& [word, number] : words)
        EXPECT_EQ(Analyze(analyzer, word), (Tokens{number})) << word;
    // Exactly the given length.
    CTokenList<wid_t> tokens;
    EXPECT_EQ(analyzer.analyze("mailbox", 4, &tokens), 1);
    EXPECT_EQ(tokens[0], 4);
    for (const char* word : {"Mail", "mail ", "", "unknown"})
        ExpectAssertion(analyzer, word, "it != m_typemap.end()");
}

TEST(AnalyzerRegistry, BuiltInCreatorsAndReplacement)
{
    auto& registry = CAnalyzerRegistry::instance();
    for (const char* identifier : {"crc.analyzer", "datetime.analyzer", "email.analyzer", "type.analyzer"}) {
        CAnalyzer::CCreator* pCreator = registry.find(identifier);
        ASSERT_NE(pCreator, nullptr) << identifier;
        EXPECT_STREQ(pCreator->identifier(), identifier);
        EXPECT_NE(pCreator->create(), nullptr) << identifier;
    }
    EXPECT_EQ(registry.find("general"), nullptr);
    EXPECT_EQ(registry.find("CRC.analyzer"), nullptr);

    cs::test::InstallTestDictionary();
    auto pGeneral = registry.find("general.analyzer")->create();
    ASSERT_NE(pGeneral, nullptr);
    CTokenList<wid_t> tokens;
    EXPECT_EQ(pGeneral->analyze("abc", 3, &tokens), 1);

    struct CNullCreator : CAnalyzer::CCreator {
        CNullCreator() : CCreator("null") {}
        std::unique_ptr<CAnalyzer> create() const override { return nullptr; }
    };
    static CNullCreator nullCreator;
    registry.registerCreator(&nullCreator);
    EXPECT_EQ(registry.find("null.analyzer"), &nullCreator);
    try {
        registry.registerCreator(nullptr);
        FAIL();
    } catch (const std::logic_error& e) {
        EXPECT_NE(std::string(e.what()).find("INVALID ARGUMENT: pCreator"), std::string::npos);
    }
}

TEST(ValueAnalyzers, RefuseOtherTokenLists)
{
    struct COtherList : CTokenListBase {
        size_t size() const override { return 0; }
    } other;
    CCrcAnalyzer crc;
    CEmailaddrAnalyzer email;
    CDatetimeAnalyzer datetime;
    CTypeAnalyzer type;
    const std::pair<CAnalyzer*, const char*> cases[] = {{&crc, "x"}, {&email, "a@b"}, {&datetime, "20080101"}, {&type, "web"}};
    for (const auto& [pAnalyzer, text] : cases) {
        try {
            pAnalyzer->analyze(text, std::strlen(text), &other);
            ADD_FAILURE() << text;
        } catch (const std::logic_error& e) {
            EXPECT_NE(std::string(e.what()).find("INVALID ARGUMENT: dynamic_cast<CTokenList<wid_t> *>(basetokens) != NULL"),
                      std::string::npos);
        }
    }
}
