// The numbers that name a document's file type and the encoding of its text.
// Collections set the file type, the index writer picks the parser by it, and
// every parser reports the encoding of what it stored.
#pragma once

#include <cstdint>

namespace cs::content {

namespace filetype {
inline constexpr int32_t TXT = 0;
inline constexpr int32_t HTML = 1;
inline constexpr int32_t EML = 2;
inline constexpr int32_t DOC = 3;
inline constexpr int32_t PPT = 4;
inline constexpr int32_t XLS = 5;
inline constexpr int32_t PDF = 6;
inline constexpr int32_t COMP = 7;     // compressed archives
inline constexpr int32_t UNUSED = 8;   // reserved, never produced
inline constexpr int32_t SEARCH = 9;   // search-engine request records
inline constexpr int32_t UNKNOWN = 10;
// Types from COUNT on are not parsed at all.
inline constexpr int32_t COUNT = 11;
} // namespace filetype

namespace encoding {
inline constexpr int32_t UTF8 = 0;
inline constexpr int32_t GBK = 1;    // the internal encoding of all text
inline constexpr int32_t UCS2 = 2;   // UTF-16 little-endian
inline constexpr int32_t BIG5 = 3;
inline constexpr int32_t UNKNOWN = 8;
} // namespace encoding

} // namespace cs::content
