#include "analyze/Dictionary.h"

#include <algorithm>
#include <cstring>

#include "analyze/CharacterCode.h"
#include "platform/Env.h"
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
    std::string text;
    bool opened = false;
    // A read error ends the list where it happened.
    if (!platform::Env().readWholeFile(path, text, &opened) && !opened)
        return false;

    std::vector<CBuildEntry> rootTable(ROOT_SIZE);
    std::vector<std::pair<std::string, wid_t>> letterWords;
    m_lineCount = 0;
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
            Insert(rootTable, reinterpret_cast<const unsigned char*>(line), length, m_lineCount);
        const auto isLetter = [](char c) { return IsAsciiLetter(static_cast<unsigned char>(c)); };
        if (length > 0 && std::all_of(line, line + length, isLetter))
            letterWords.emplace_back(std::string(line, length), m_lineCount);
        ++m_lineCount;
    }
    if (m_lineCount > kWordIdLimit)
        CS_LOG_WARN("dictionary %s has %d lines: word ids from %d on collide with digit and letter terms",
                    path.c_str(), m_lineCount, kWordIdLimit);

    // Lay the trie out flat, breadth first: the root table keeps its places,
    // and every node's children follow one another.
    m_nodes.assign(ROOT_SIZE, CNode{-1, 0, 0});
    m_codes.resize(ROOT_SIZE);
    std::vector<const CBuildEntry*> pending(ROOT_SIZE);
    for (uint32_t code = 0; code < ROOT_SIZE; ++code) {
        m_codes[code] = static_cast<uint16_t>(code);
        pending[code] = &rootTable[code];
    }
    for (size_t node = 0; node < pending.size(); ++node) {
        const CBuildEntry& entry = *pending[node];
        m_nodes[node].id = entry.id;
        m_nodes[node].firstChild = static_cast<uint32_t>(pending.size());
        m_nodes[node].childCount = static_cast<uint32_t>(entry.children.size());
        for (const CBuildEntry& child : entry.children) {
            pending.push_back(&child);
            m_nodes.push_back(CNode{-1, 0, 0});
            m_codes.push_back(child.code);
        }
    }
    m_nodes.shrink_to_fit();
    m_codes.shrink_to_fit();
    buildLetterWords(letterWords);
    return true;
}

void CDictionary::buildLetterWords(const std::vector<std::pair<std::string, wid_t>>& words)
{
    // At most half full, so that a miss ends at a free slot within a probe or two.
    size_t size = 1;
    while (size < 2 * words.size())
        size *= 2;
    m_letterWords.assign(words.empty() ? 0 : size, CLetterWord{0, 0, 0, -1});
    m_letters.clear();
    for (const auto& [word, id] : words) {
        const auto* begin = reinterpret_cast<const unsigned char*>(word.data());
        const auto* end = begin + word.size();
        const uint32_t hash = hashLetters(begin, end);
        CLetterWord& slot = m_letterWords[letterSlot(begin, end, hash)];
        if (slot.length == 0) {
            slot = CLetterWord{hash, static_cast<uint32_t>(m_letters.size()), static_cast<uint32_t>(word.size()), id};
            for (char letter : word)
                m_letters += static_cast<char>(letter | 0x20);
        }
        slot.id = id;   // a word listed twice keeps its later line
    }
}

} // namespace cs::analyze
