// The compiled word dictionary, kept beside its word list as "<list>.image":
// a start maps it instead of building the trie again, which takes a fifth of
// a second for 300,000 words. An image belongs to the list whose size,
// modification time and CRC-32 it records; an image of another list, of
// another layout, or damaged (its own CRC-32 disagrees) is not used, and the
// start builds from the list and writes the image again.
//
// Layout, in the machine's byte order, every section 8-byte aligned:
//   "CSDICT01"                 magic and layout version
//   uint64  list size
//   int64   list modification time, nanoseconds
//   uint32  list CRC-32
//   int32   line count
//   uint32  CRC-32 of everything after the header
//   uint32  section count
//   uint64  byte length of each section
//   the sections, each padded to a multiple of 8 bytes
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace cs::analyze::image {

struct CListKey {
    uint64_t size = 0;
    int64_t modifiedNs = 0;
    uint32_t crc = 0;
};

struct CSection {
    const void* data = nullptr;
    size_t bytes = 0;
};

// The CRC-32 of IEEE 802.3 of some bytes.
uint32_t Crc32(const void* data, size_t size);

std::string PathFor(const std::string& listPath);

// The image of those sections, in 8-byte words so that it can be used in
// place.
std::vector<uint64_t> Compose(const CListKey& key, int32_t lineCount, const std::vector<CSection>& sections);

// The `count` sections of an image of the list `key`, pointing into `data`;
// false when `data` is not a whole, undamaged image of that list.
bool Open(const char* data, size_t size, const CListKey& key, size_t count, int32_t& lineCount,
          std::vector<CSection>& sections);

} // namespace cs::analyze::image
