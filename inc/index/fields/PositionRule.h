// Which postings of a field kind keep frequencies and positions. The
// indexer, the term reader and the merger of a kind follow the same rule, so
// the sides never disagree on a posting's kind.
#pragma once

namespace cs::index {

enum class PositionRule {
    ALWAYS,         // text fields
    NEVER,          // date fields
    BY_INDEX_WAY    // crc fields: index way 0 keeps positions, 1 document numbers only
};

inline bool KeepsPositions(PositionRule rule, int indexWay)
{
    return rule == PositionRule::ALWAYS || (rule == PositionRule::BY_INDEX_WAY && indexWay == 0);
}

} // namespace cs::index
