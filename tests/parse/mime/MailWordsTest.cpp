#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "parse/mime/MailWords.h"

using namespace cs::parse;

TEST(MailWords, SplitsAtEverySeparator)
{
    std::string text = " a b;c,d\te\nf<g>h;;";
    std::vector<std::string_view> words;
    SplitMailWords(text.data(), text.data() + text.size(), words);
    EXPECT_EQ(words, (std::vector<std::string_view>{"a", "b", "c", "d", "e", "f", "g", "h"}));
    words.clear();
    SplitMailWords(text.data(), text.data(), words);
    EXPECT_TRUE(words.empty());
}

TEST(MailWords, SenderIsTheFirstWordWithAnAt)
{
    EXPECT_EQ(FindMailSender("Zhang San <zhang.san@example.com>"), "zhang.san@example.com");
    EXPECT_EQ(FindMailSender("first@example.com, second@example.com"), "first@example.com");
    EXPECT_EQ(FindMailSender("undisclosed-recipients:;"), "");
    EXPECT_EQ(FindMailSender(""), "");
}

TEST(MailWords, RecipientsEachFollowedBySemicolon)
{
    std::string recipients;
    AppendMailRecipients("Zhang San <zhang.san@example.com>, wang.wu@example.net", recipients);
    AppendMailRecipients("Zhao Liu <zhao.liu@example.com>", recipients);
    AppendMailRecipients("no address here", recipients);
    EXPECT_EQ(recipients, "zhang.san@example.com;wang.wu@example.net;zhao.liu@example.com;");
}

TEST(MailWords, InvalidRangeIsAnInvalidArgument)
{
    std::string text = "a@b";
    std::vector<std::string_view> words;
    for (auto range : {std::make_pair<const char*, const char*>(nullptr, text.data()),
                       std::make_pair<const char*, const char*>(text.data(), nullptr),
                       std::make_pair<const char*, const char*>(text.data() + 1, text.data())}) {
        try {
            SplitMailWords(range.first, range.second, words);
            ADD_FAILURE() << "no error raised";
        } catch (const std::logic_error& e) {
            EXPECT_NE(std::string(e.what()).find(
                          "INVALID ARGUMENT: startPoint != NULL && end != NULL && startPoint <= end"),
                      std::string::npos)
                << e.what();
        }
    }
    EXPECT_TRUE(words.empty());
}
