#include "analyze/Dictionary.h"

#include <algorithm>
#include <cstring>

#include "analyze/CharacterCode.h"
#include "platform/Env.h"
#include "platform/Platform.h"
#include "utility/OsUtility.h"
#include "utility/Logger.h"

namespace cs::analyze {

namespace {

// Word ids from this line on collide with the digit and letter terms.
constexpr int32_t kWordIdLimit = 300000;

// The trie while it is being built: nested sorted child arrays.
struct CBuildEntry {
    uint16_t code = 0;
    wid_t id = -1;
    std::vector<CBuildEntry> children;
};

void Insert(std::vector<CBuildEntry>& rootTable, const unsigned char* word, size_t length, wid_t id)
{
    uint32_t code = 0;
    size_t pos = NextCode(word, length, 0, code);
    if (pos == 0)
        return;
    CBuildEntry* pEntry = &rootTable[code];
    while (size_t step = NextCode(word, length, pos, code)) {
        pos += step;
        std::vector<CBuildEntry>& children = pEntry->children;
        auto it = std::lower_bound(children.begin(), children.end(), code,
                                   [](const CBuildEntry& entry, uint32_t c) { return entry.code < c; });
        if (it == children.end() || it->code != code) {
            CBuildEntry entry;
            entry.code = static_cast<uint16_t>(code);
            it = children.insert(it, std::move(entry));
        }
        pEntry = &*it;
    }
    pEntry->id = id;   // a word listed twice keeps its later line
}

} // namespace

bool CDictionary::load(const std::string& path)
{
    platform::CEnv& env = platform::Env();
    std::string text;
    bool opened = false;
    // A read error ends the list where it happened.
    if (!env.readWholeFile(path, text, &opened) && !opened)
        return false;
    platform::FileStatus status;
    env.fileStatus(path, status);
    const image::CListKey key{text.size(), status.modifiedNs, image::Crc32(text.data(), text.size())};

    const std::string imagePath = image::PathFor(path);
    m_pMap = env.mapFileForRead(imagePath);
    if (m_pMap && attach(m_pMap->data(), m_pMap->size(), key))
        return true;
    m_pMap.reset();

    CTables tables;
    const int32_t lineCount = build(text, tables);
    m_built = image::Compose(key, lineCount,
                             {{tables.nodes.data(), tables.nodes.size() * sizeof(CNode)},
                              {tables.codes.data(), tables.codes.size() * sizeof(uint16_t)},
                              {tables.letterWords.data(), tables.letterWords.size() * sizeof(CLetterWord)},
                              {tables.letters.data(), tables.letters.size()}});
    attach(reinterpret_cast<const char*>(m_built.data()), m_built.size() * sizeof(uint64_t), key);
    if (m_lineCount > kWordIdLimit)
        CS_LOG_WARN("dictionary %s has %d lines: word ids from %d on collide with digit and letter terms",
                    path.c_str(), m_lineCount, kWordIdLimit);
    writeImage(imagePath);
    return true;
}

bool CDictionary::attach(const char* pImage, size_t size, const image::CListKey& key)
{
    std::vector<image::CSection> sections;
    int32_t lineCount = 0;
    if (!image::Open(pImage, size, key, 4, lineCount, sections))
        return false;
    const size_t nodes = sections[0].bytes / sizeof(CNode);
    const size_t slots = sections[2].bytes / sizeof(CLetterWord);
    const size_t letters = sections[3].bytes;
    if (sections[0].bytes % sizeof(CNode) != 0 || nodes < ROOT_SIZE || sections[1].bytes != nodes * sizeof(uint16_t) ||
        sections[2].bytes % sizeof(CLetterWord) != 0 || (slots & (slots - 1)) != 0)
        return false;
    // The CRC-32 vouches for the bytes; these bounds keep an image that was
    // made wrong from leading a look-up out of its tables.
    const auto* pNodes = static_cast<const CNode*>(sections[0].data);
    const auto* pSlots = static_cast<const CLetterWord*>(sections[2].data);
    for (size_t node = 0; node < nodes; ++node) {
        const CNode& entry = pNodes[node];
        if (entry.childCount > 0 && (entry.firstChild <= node || entry.childCount > nodes - entry.firstChild))
            return false;
    }
    for (size_t slot = 0; slot < slots; ++slot) {
        if (pSlots[slot].length > 0 && pSlots[slot].offset + uint64_t{pSlots[slot].length} > letters)
            return false;
    }
    m_pNodes = pNodes;
    m_pCodes = static_cast<const uint16_t*>(sections[1].data);
    m_pLetterWords = pSlots;
    m_letterSlots = slots;
    m_pLetters = static_cast<const char*>(sections[3].data);
    m_lineCount = lineCount;
    return true;
}

void CDictionary::writeImage(const std::string& path) const
{
    // Written under a name of this process and renamed whole, so that a start
    // beside this one maps the old image or the new one. Not synchronised: an
    // image a crash cuts short fails its CRC-32 and is built again.
    platform::CEnv& env = platform::Env();
    const std::string temp = path + "." + std::to_string(platform::CurrentProcessId()) + ".tmp";
    int fd = env.createTruncated(temp, platform::Readers::Everyone);
    bool written = fd != -1 && env.writeAll(fd, m_built.data(), m_built.size() * sizeof(uint64_t));
    if (fd != -1)
        written = env.closeFile(fd) && written;
    if (written && env.moveFileReplace(temp, path))
        return;
    const std::string cause = utility::GetLastErrorText();
    if (fd != -1)
        env.removeFile(temp);
    CS_LOG_INFO("dictionary image %s not written (%s): the next start reads the word list again", path.c_str(),
                cause.c_str());
}

int32_t CDictionary::build(const std::string& text, CTables& tables)
{
    std::vector<CBuildEntry> rootTable(ROOT_SIZE);
    std::vector<std::pair<std::string, wid_t>> letterWords;
    int32_t lineCount = 0;
    // A line is read as pieces of at most 4095 bytes, each a line; a piece ends
    // at its first zero byte.
    const size_t pieceLimit = 4095;
    for (size_t at = 0; at < text.size();) {
        const char* line = text.data() + at;
        size_t piece = std::min(pieceLimit, text.size() - at);
        if (const void* newline = std::memchr(line, '\n', piece))
            piece = static_cast<size_t>(static_cast<const char*>(newline) - line) + 1;
        at += piece;
        size_t length = strnlen(line, piece);
        if (length > 0 && line[length - 1] == '\n')
            --length;
        if (length > 0 && line[length - 1] == '\r')
            --length;
        if (length > 0)
            Insert(rootTable, reinterpret_cast<const unsigned char*>(line), length, lineCount);
        const auto isLetter = [](char c) { return IsAsciiLetter(static_cast<unsigned char>(c)); };
        if (length > 0 && std::all_of(line, line + length, isLetter))
            letterWords.emplace_back(std::string(line, length), lineCount);
        ++lineCount;
    }

    // Lay the trie out flat, breadth first: the root table keeps its places,
    // and every node's children follow one another.
    tables.nodes.assign(ROOT_SIZE, CNode{-1, 0, 0});
    tables.codes.resize(ROOT_SIZE);
    std::vector<const CBuildEntry*> pending(ROOT_SIZE);
    for (uint32_t code = 0; code < ROOT_SIZE; ++code) {
        tables.codes[code] = static_cast<uint16_t>(code);
        pending[code] = &rootTable[code];
    }
    for (size_t node = 0; node < pending.size(); ++node) {
        const CBuildEntry& entry = *pending[node];
        tables.nodes[node].id = entry.id;
        tables.nodes[node].firstChild = static_cast<uint32_t>(pending.size());
        tables.nodes[node].childCount = static_cast<uint32_t>(entry.children.size());
        for (const CBuildEntry& child : entry.children) {
            pending.push_back(&child);
            tables.nodes.push_back(CNode{-1, 0, 0});
            tables.codes.push_back(child.code);
        }
    }
    buildLetterWords(letterWords, tables);
    return lineCount;
}

void CDictionary::buildLetterWords(const std::vector<std::pair<std::string, wid_t>>& words, CTables& tables)
{
    // At most half full, so that a miss ends at a free slot within a probe or two.
    size_t size = 1;
    while (size < 2 * words.size())
        size *= 2;
    tables.letterWords.assign(words.empty() ? 0 : size, CLetterWord{0, 0, 0, -1});
    for (const auto& [word, id] : words) {
        const auto* begin = reinterpret_cast<const unsigned char*>(word.data());
        const auto* end = begin + word.size();
        const uint32_t hash = hashLetters(begin, end);
        CLetterWord& slot =
            tables.letterWords[letterSlot(tables.letterWords.data(), size, tables.letters.data(), begin, end, hash)];
        if (slot.length == 0) {
            slot = CLetterWord{hash, static_cast<uint32_t>(tables.letters.size()), static_cast<uint32_t>(word.size()),
                               id};
            for (char letter : word)
                tables.letters += static_cast<char>(letter | 0x20);
        }
        slot.id = id;   // a word listed twice keeps its later line
    }
}

} // namespace cs::analyze
