#include <gtest/gtest.h>

#include "search/QueryParser.h"

namespace {

using cs::search::CQueryNode;
using cs::search::CQueryParser;

// The tree as a compact text: text:word, text:"a phrase", date[a..b], (AND x y), (NOT x).
std::string Show(const CQueryNode& node)
{
    switch (node.kind) {
    case CQueryNode::TERM:
        return node.field + ":" + (node.quoted ? "\"" + node.text + "\"" : node.text);
    case CQueryNode::RANGE:
        return node.field + "[" + node.from + ".." + node.to + "]";
    default: {
        std::string text = node.kind == CQueryNode::AND ? "(AND" : node.kind == CQueryNode::OR ? "(OR" : "(NOT";
        for (const auto& pChild : node.children)
            text += " " + Show(*pChild);
        return text + ")";
    }
    }
}

std::string Parse(const std::string& query)
{
    CQueryParser parser({"text", "user", "date", "type", "mail_send"}, "text");
    return Show(*parser.parse(query));
}

std::string Error(const std::string& query)
{
    CQueryParser parser({"text", "date"}, "text");
    try {
        parser.parse(query);
    } catch (const CQueryParser::CQueryError& e) {
        return e.what();
    }
    return "<parsed>";
}

TEST(QueryParser, TermsFieldsAndPhrases)
{
    EXPECT_EQ(Parse("索引"), "text:索引");
    EXPECT_EQ(Parse("user:alice"), "user:alice");
    EXPECT_EQ(Parse("\"inverted index\""), "text:\"inverted index\"");
    EXPECT_EQ(Parse("text:\"全文 索引\""), "text:\"全文 索引\"");
    EXPECT_EQ(Parse("mail_send:bob@example.com"), "mail_send:bob@example.com");
    // Only known fields make a prefix: the rest is a word of the default field.
    EXPECT_EQ(Parse("http://example.com"), "text:http://example.com");
    EXPECT_EQ(Parse("\"a:b\""), "text:\"a:b\"");
}

TEST(QueryParser, Ranges)
{
    EXPECT_EQ(Parse("date:2026-12-01..2026-12-07"), "date[2026-12-01..2026-12-07]");
    EXPECT_EQ(Parse("date:..20261207"), "date[..20261207]");
    EXPECT_EQ(Parse("date:2026-12-01.."), "date[2026-12-01..]");
    EXPECT_EQ(Parse("date:2026-12-01"), "date:2026-12-01");
    // Two dots in a word of the default field are part of the word.
    EXPECT_EQ(Parse("a..b"), "text:a..b");
}

TEST(QueryParser, OperatorsAndPrecedence)
{
    EXPECT_EQ(Parse("a b c"), "(AND text:a text:b text:c)");
    EXPECT_EQ(Parse("a AND b OR c"), "(OR (AND text:a text:b) text:c)");
    EXPECT_EQ(Parse("a OR b c"), "(OR text:a (AND text:b text:c))");
    EXPECT_EQ(Parse("a NOT b"), "(AND text:a (NOT text:b))");
    EXPECT_EQ(Parse("NOT NOT a"), "(NOT (NOT text:a))");
    EXPECT_EQ(Parse("(a OR b) c"), "(AND (OR text:a text:b) text:c)");
    EXPECT_EQ(Parse("a OR (b OR c)"), "(OR text:a (OR text:b text:c))");
    EXPECT_EQ(Parse("type:mail AND date:2026-12-01..2026-12-07"), "(AND type:mail date[2026-12-01..2026-12-07])");
    // Lower-case words are words.
    EXPECT_EQ(Parse("a or b"), "(AND text:a text:or text:b)");
    EXPECT_EQ(Parse("text:AND"), "text:AND");
}

TEST(QueryParser, MalformedQueries)
{
    EXPECT_EQ(Error(""), "empty query");
    EXPECT_EQ(Error("   "), "empty query");
    EXPECT_EQ(Error("(a"), "unbalanced '('");
    EXPECT_EQ(Error("a)"), "unbalanced ')'");
    EXPECT_EQ(Error("()"), "empty '()'");
    EXPECT_EQ(Error("\"a b"), "unbalanced '\"'");
    EXPECT_EQ(Error("a AND"), "the query ends where a term is expected");
    EXPECT_EQ(Error("NOT"), "the query ends where a term is expected");
    EXPECT_EQ(Error("OR a"), "'OR' where a term is expected");
    EXPECT_EQ(Error("a AND OR b"), "'OR' where a term is expected");
    EXPECT_EQ(Error("date: x"), "no value after 'date:'");
}

} // namespace
