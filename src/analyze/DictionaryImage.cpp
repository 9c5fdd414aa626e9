#include "analyze/DictionaryImage.h"

#include <libdeflate.h>

#include <cstring>

namespace cs::analyze::image {

namespace {

constexpr char kMagic[8] = {'C', 'S', 'D', 'I', 'C', 'T', '0', '1'};

struct CHeader {
    char magic[8];
    uint64_t listSize;
    int64_t listModifiedNs;
    uint32_t listCrc;
    int32_t lineCount;
    uint32_t payloadCrc;
    uint32_t sectionCount;
};
static_assert(sizeof(CHeader) == 40, "the header is 8-byte aligned without padding");

size_t Padded(size_t bytes) { return (bytes + 7) / 8 * 8; }

} // namespace

uint32_t Crc32(const void* data, size_t size) { return libdeflate_crc32(0, data, size); }

std::string PathFor(const std::string& listPath) { return listPath + ".image"; }

std::vector<uint64_t> Compose(const CListKey& key, int32_t lineCount, const std::vector<CSection>& sections)
{
    size_t bytes = sizeof(CHeader) + 8 * sections.size();
    for (const CSection& section : sections)
        bytes += Padded(section.bytes);
    std::vector<uint64_t> words(bytes / 8, 0);
    char* pImage = reinterpret_cast<char*>(words.data());
    auto* pLengths = reinterpret_cast<uint64_t*>(pImage + sizeof(CHeader));
    char* pAt = reinterpret_cast<char*>(pLengths + sections.size());
    for (size_t i = 0; i < sections.size(); ++i) {
        pLengths[i] = sections[i].bytes;
        if (sections[i].bytes > 0)
            std::memcpy(pAt, sections[i].data, sections[i].bytes);
        pAt += Padded(sections[i].bytes);
    }
    CHeader header{};
    std::memcpy(header.magic, kMagic, sizeof(kMagic));
    header.listSize = key.size;
    header.listModifiedNs = key.modifiedNs;
    header.listCrc = key.crc;
    header.lineCount = lineCount;
    header.payloadCrc = Crc32(pImage + sizeof(CHeader), bytes - sizeof(CHeader));
    header.sectionCount = static_cast<uint32_t>(sections.size());
    std::memcpy(pImage, &header, sizeof(header));
    return words;
}

bool Open(const char* data, size_t size, const CListKey& key, size_t count, int32_t& lineCount,
          std::vector<CSection>& sections)
{
    CHeader header{};
    if (size < sizeof(header) + 8 * count)
        return false;
    std::memcpy(&header, data, sizeof(header));
    if (std::memcmp(header.magic, kMagic, sizeof(kMagic)) != 0 || header.listSize != key.size ||
        header.listModifiedNs != key.modifiedNs || header.listCrc != key.crc || header.sectionCount != count)
        return false;
    const char* pAt = data + sizeof(header) + 8 * count;
    sections.assign(count, CSection{});
    for (size_t i = 0; i < count; ++i) {
        uint64_t bytes = 0;
        std::memcpy(&bytes, data + sizeof(header) + 8 * i, sizeof(bytes));
        if (bytes > size || Padded(bytes) > static_cast<size_t>(data + size - pAt))
            return false;
        sections[i] = CSection{pAt, bytes};
        pAt += Padded(bytes);
    }
    if (pAt != data + size || Crc32(data + sizeof(header), size - sizeof(header)) != header.payloadCrc)
        return false;
    lineCount = header.lineCount;
    return true;
}

} // namespace cs::analyze::image
