// The five collect types of the activity records, in the order the state file
// keeps them: web, chat, HTTP upload, search and mail.
#pragma once

#include <cstddef>

namespace cs::collection {

enum CollectType { COLLECT_W, COLLECT_C, COLLECT_U, COLLECT_S, COLLECT_M, COLLECT_TYPES };

inline constexpr char kCollectTypeLetters[COLLECT_TYPES + 1] = "WCUSM";

inline char CollectTypeLetter(int type) { return kCollectTypeLetters[type]; }

// The type of a letter; -1 for any other letter.
inline int CollectTypeOf(char letter)
{
    for (int type = 0; type < COLLECT_TYPES; ++type) {
        if (kCollectTypeLetters[type] == letter)
            return type;
    }
    return -1;
}

} // namespace cs::collection
