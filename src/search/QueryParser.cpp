#include "search/QueryParser.h"

#include <algorithm>

#include "utility/Blanks.h"

namespace cs::search {

namespace {

// Joins `first` and `second` under a node of `kind`, flattening a left
// operand of the same kind.
std::unique_ptr<CQueryNode> Join(CQueryNode::Kind kind, std::unique_ptr<CQueryNode> first,
                                 std::unique_ptr<CQueryNode> second)
{
    if (first->kind != kind) {
        auto pNode = std::make_unique<CQueryNode>(kind);
        pNode->children.push_back(std::move(first));
        first = std::move(pNode);
    }
    first->children.push_back(std::move(second));
    return first;
}

} // namespace

std::unique_ptr<CQueryNode> CQueryParser::parse(const std::string& query)
{
    if (query.size() > MAX_QUERY_BYTES)
        throw CQueryError("the query is " + std::to_string(query.size()) + " bytes long, more than the " +
                          std::to_string(MAX_QUERY_BYTES) + " a query may have");
    m_depth = 0;
    tokenize(query);
    if (peek().kind == Token::END)
        throw CQueryError("empty query");
    std::unique_ptr<CQueryNode> pRoot = parseOr();
    if (peek().kind == Token::CLOSE)
        throw CQueryError("unbalanced ')'");
    return pRoot;
}

void CQueryParser::tokenize(const std::string& query)
{
    m_tokens.clear();
    m_pos = 0;
    size_t i = 0;
    while (i < query.size()) {
        char c = query[i];
        if (utility::IsBlank(c)) {
            ++i;
            continue;
        }
        if (c == '(' || c == ')') {
            m_tokens.push_back({c == '(' ? Token::OPEN : Token::CLOSE, "", "", false});
            ++i;
            continue;
        }
        Token token{Token::WORD, "", "", false};
        // A field prefix: a name of the given fields followed by ':', within
        // the word (a search to the end of the query for each word would make
        // a long query's parse quadratic).
        size_t wordEnd = std::min(query.find_first_of(" \t\r\n()\"", i), query.size());
        size_t colon = query.find(':', i);
        if (colon < wordEnd && m_fields.count(query.substr(i, colon - i))) {
            token.field = query.substr(i, colon - i);
            i = colon + 1;
        }
        if (i < query.size() && query[i] == '"') {
            size_t close = query.find('"', i + 1);
            if (close == std::string::npos)
                throw CQueryError("unbalanced '\"'");
            token.text = query.substr(i + 1, close - i - 1);
            token.quoted = true;
            i = close + 1;
        } else {
            size_t end = query.find_first_of(" \t\r\n()", i);
            if (end == std::string::npos)
                end = query.size();
            token.text = query.substr(i, end - i);
            i = end;
            if (token.field.empty()) {
                if (token.text == "AND")
                    token.kind = Token::AND;
                else if (token.text == "OR")
                    token.kind = Token::OR;
                else if (token.text == "NOT")
                    token.kind = Token::NOT;
            }
        }
        if (token.kind == Token::WORD && token.text.empty() && !token.quoted)
            throw CQueryError("no value after '" + token.field + ":'");
        m_tokens.push_back(token);
    }
    m_tokens.push_back({Token::END, "", "", false});
}

bool CQueryParser::startsOperand() const
{
    Token::Kind kind = peek().kind;
    return kind == Token::WORD || kind == Token::OPEN || kind == Token::NOT;
}

std::unique_ptr<CQueryNode> CQueryParser::parseOr()
{
    std::unique_ptr<CQueryNode> pNode = parseAnd();
    while (peek().kind == Token::OR) {
        ++m_pos;
        pNode = Join(CQueryNode::OR, std::move(pNode), parseAnd());
    }
    return pNode;
}

std::unique_ptr<CQueryNode> CQueryParser::parseAnd()
{
    std::unique_ptr<CQueryNode> pNode = parseUnary();
    for (;;) {
        if (peek().kind == Token::AND)
            ++m_pos;
        else if (!startsOperand())
            return pNode;
        pNode = Join(CQueryNode::AND, std::move(pNode), parseUnary());
    }
}

std::unique_ptr<CQueryNode> CQueryParser::parseUnary()
{
    const Token& token = peek();
    if (token.kind == Token::NOT || token.kind == Token::OPEN) {
        // Each level is a level of recursion, here and wherever the query is used.
        if (++m_depth > MAX_DEPTH)
            throw CQueryError("the query nests '(' and NOT deeper than " + std::to_string(MAX_DEPTH) + " levels");
    }
    std::unique_ptr<CQueryNode> pNode = parseOperand(token);
    if (token.kind == Token::NOT || token.kind == Token::OPEN)
        --m_depth;
    return pNode;
}

std::unique_ptr<CQueryNode> CQueryParser::parseOperand(const Token& token)
{
    switch (token.kind) {
    case Token::NOT: {
        ++m_pos;
        auto pNode = std::make_unique<CQueryNode>(CQueryNode::NOT);
        pNode->children.push_back(parseUnary());
        return pNode;
    }
    case Token::OPEN: {
        ++m_pos;
        if (peek().kind == Token::CLOSE)
            throw CQueryError("empty '()'");
        std::unique_ptr<CQueryNode> pNode = parseOr();
        if (peek().kind != Token::CLOSE)
            throw CQueryError("unbalanced '('");
        ++m_pos;
        return pNode;
    }
    case Token::WORD:
        ++m_pos;
        return makeTerm(token);
    case Token::END:
        throw CQueryError("the query ends where a term is expected");
    default:
        throw CQueryError("'" + token.text + "' where a term is expected");
    }
}

std::unique_ptr<CQueryNode> CQueryParser::makeTerm(const Token& token) const
{
    std::string field = token.field.empty() ? m_defaultField : token.field;
    size_t dots = token.quoted ? std::string::npos : token.text.find("..");
    if (dots != std::string::npos && !token.field.empty()) {
        auto pRange = std::make_unique<CQueryNode>(CQueryNode::RANGE);
        pRange->field = field;
        pRange->from = token.text.substr(0, dots);
        pRange->to = token.text.substr(dots + 2);
        return pRange;
    }
    auto pTerm = std::make_unique<CQueryNode>(CQueryNode::TERM);
    pTerm->field = field;
    pTerm->text = token.text;
    pTerm->quoted = token.quoted;
    return pTerm;
}

} // namespace cs::search
