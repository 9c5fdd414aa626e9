// The CRC-32 of IEEE 802.3 (zlib's) as a term: the 32-bit value's bit pattern
// as a signed word id.
#pragma once

#include <cstddef>

#include <zlib.h>

#include "analyze/TokenList.h"

namespace cs::analyze {

inline wid_t Crc32Term(const char* bytes, size_t length)
{
    uLong crc = ::crc32_z(::crc32_z(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(bytes), length);
    return static_cast<wid_t>(static_cast<uint32_t>(crc));
}

} // namespace cs::analyze
