// A parsed query: terms and date ranges joined by AND, OR and NOT.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace cs::search {

struct CQueryNode {
    enum Kind { TERM, RANGE, AND, OR, NOT };

    explicit CQueryNode(Kind kind) : kind(kind) {}

    Kind kind;
    std::string field;    // TERM and RANGE: the field the value belongs to
    std::string text;     // TERM: the value as typed (UTF-8)
    bool quoted = false;  // TERM: given in double quotes
    std::string from;     // RANGE: the first value, empty for an open start
    std::string to;       // RANGE: the last value, empty for an open end
    std::vector<std::unique_ptr<CQueryNode>> children;   // AND, OR: two or more; NOT: one
};

} // namespace cs::search
