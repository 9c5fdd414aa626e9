// How cssearch shows a hit: one line of tab-separated text for a person
// (document, score, date, path, snippet), the matched words bold on a
// terminal and in brackets elsewhere; or one JSON object per line for a
// program, the matched words as byte ranges of the snippet. Stored texts are
// the index's GBK; they are shown in UTF-8, with control characters blanked so
// that no stored byte can steer the terminal. A path or date that already is
// valid UTF-8 (a file name) is shown as it is.
#pragma once

#include <cstddef>
#include <string>

#include "search/SearchHit.h"

namespace cs::search {

class CHitPrinter {
public:
    enum Style { PLAIN, TERMINAL, JSON };

    explicit CHitPrinter(Style style) : m_style(style) {}

    // The hit's line, with its line feed.
    std::string line(const CSearchHit& hit) const;
    // The last line: `shown` hits from number `offset` + 1 of `total`. JSON
    // prints it on standard output, the others on standard error.
    std::string summary(size_t total, size_t offset, size_t shown) const;

    // A stored text in UTF-8 for the terminal: converted from GBK unless
    // `keepUtf8` and it is valid UTF-8 already, control characters blanked.
    static std::string displayText(const std::string& stored, bool keepUtf8);
    static std::string jsonString(const std::string& utf8);

private:
    Style m_style;
};

} // namespace cs::search
