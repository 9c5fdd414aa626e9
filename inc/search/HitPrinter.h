// How cssearch shows a hit: one line of tab-separated text for a person
// (document, score, path, the start of the abstract), or one JSON object per
// line for a program. Stored texts are the index's GBK; they are shown in
// UTF-8, with control characters blanked so that no stored byte can steer the
// terminal. A path that already is valid UTF-8 (a file name) is shown as it is.
#pragma once

#include <string>

#include "search/SearchHit.h"

namespace cs::search {

class CHitPrinter {
public:
    // Characters of the abstract shown.
    static constexpr size_t ABSTRACT_CHARACTERS = 80;

    explicit CHitPrinter(bool json) : m_json(json) {}

    // The hit's line, with its line feed.
    std::string line(const CSearchHit& hit) const;

    // A stored text in UTF-8 for the terminal: converted from GBK unless
    // `keepUtf8` and it is valid UTF-8 already, control characters blanked,
    // cut after `characters` characters (0: not cut).
    static std::string displayText(const std::string& stored, bool keepUtf8, size_t characters);
    static std::string jsonString(const std::string& utf8);

private:
    bool m_json;
};

} // namespace cs::search
