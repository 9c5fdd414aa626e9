// Parses the query language of cssearch:
//
//   query   := or
//   or      := and ("OR" and)*
//   and     := unary (["AND"] unary)*       adjacent terms are ANDed
//   unary   := "NOT" unary | "(" or ")" | term
//   term    := [field ":"] (word | "quoted phrase") | field ":" from ".." to
//
// A "field:" prefix counts only for the fields the parser is given; anything
// else is a word of the default field. The operator words are upper case.
#pragma once

#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "search/QueryNode.h"

namespace cs::search {

class CQueryParser {
public:
    class CQueryError : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    CQueryParser(std::set<std::string> fields, std::string defaultField)
        : m_fields(std::move(fields)), m_defaultField(std::move(defaultField))
    {
    }

    // The bounds of a query: its length, and how deep '(' and NOT nest.
    static constexpr size_t MAX_QUERY_BYTES = 262144;
    static constexpr int MAX_DEPTH = 1000;

    // Raises CQueryError for an empty query, an unbalanced parenthesis or
    // quote, an operator without its operand, or a query past the bounds.
    std::unique_ptr<CQueryNode> parse(const std::string& query);

private:
    struct Token {
        enum Kind { WORD, OPEN, CLOSE, AND, OR, NOT, END };
        Kind kind;
        std::string field;   // WORD: the field prefix, or empty
        std::string text;
        bool quoted = false;
    };

    void tokenize(const std::string& query);
    std::unique_ptr<CQueryNode> parseOr();
    std::unique_ptr<CQueryNode> parseAnd();
    std::unique_ptr<CQueryNode> parseUnary();
    std::unique_ptr<CQueryNode> parseOperand(const Token& token);
    std::unique_ptr<CQueryNode> makeTerm(const Token& token) const;
    bool startsOperand() const;
    const Token& peek() const { return m_tokens[m_pos]; }

    std::set<std::string> m_fields;
    std::string m_defaultField;
    std::vector<Token> m_tokens;
    size_t m_pos = 0;
    int m_depth = 0;
};

} // namespace cs::search
