// The word dictionary of the general analyzer: a character trie whose root is
// a direct table of all 65536 character codes. A word's id is its 0-based line
// in the dictionary file.
//
// A character code is a double-byte character (lead byte with the high bit
// set, shifted left 8, or-ed with the next byte) or a single byte, ASCII
// letters lower-cased. The trie is built from the file, then laid out flat:
// the children of a node are contiguous and sorted by code, their codes kept
// in a parallel array so a look-up searches a few bytes.
//
// Words of ASCII letters only are also kept in a hash table, where a letter
// run is looked up whole: the trie would take a dependent load or two per
// letter, and with thousands of English words most of them miss the cache.
//
// The tables are used in place in one image: mapped from the image file
// beside the word list when it is of this list (analyze/DictionaryImage.h),
// else built from the list, kept in memory and written as that file for the
// next start.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "analyze/DictionaryImage.h"
#include "analyze/TokenList.h"
#include "platform/Env.h"

namespace cs::analyze {

class CDictionary {
public:
    static constexpr uint32_t ROOT_SIZE = 65536;
    static constexpr int32_t NO_NODE = -1;

    // Reads the word list, one word per line; false when it cannot be opened.
    bool load(const std::string& path);
    // Whether the last load used the image file rather than building.
    bool mapped() const { return m_pMap != nullptr; }

    // The root entry of a character code (always exists).
    static int32_t root(uint32_t code) { return static_cast<int32_t>(code); }
    // The child of `node` with that code, or NO_NODE.
    int32_t child(int32_t node, uint32_t code) const;
    // The id of the word ending at `node`, or -1.
    wid_t id(int32_t node) const { return m_pNodes[node].id; }

    // The id of the word a run of ASCII letters spells (in any case), or -1.
    wid_t letterWord(const unsigned char* begin, const unsigned char* end) const;

    // Lines read by the last load.
    int32_t lineCount() const { return m_lineCount; }

private:
    struct CNode {
        wid_t id;
        uint32_t firstChild;
        uint32_t childCount;
    };

    struct CLetterWord {
        uint32_t hash;
        uint32_t offset;   // of its letters in m_letters
        uint32_t length;   // 0: a free slot
        wid_t id;
    };

    // The tables while they are built.
    struct CTables {
        std::vector<CNode> nodes;
        std::vector<uint16_t> codes;
        std::vector<CLetterWord> letterWords;
        std::string letters;
    };

    static uint32_t hashLetters(const unsigned char* begin, const unsigned char* end);
    // The slot of the letter word in a table of `slots` (a power of two), or
    // the free slot where it would go.
    static size_t letterSlot(const CLetterWord* pSlots, size_t slots, const char* pLetters,
                             const unsigned char* begin, const unsigned char* end, uint32_t hash);
    static void buildLetterWords(const std::vector<std::pair<std::string, wid_t>>& words, CTables& tables);
    // The tables of the word list `text`, and its line count.
    static int32_t build(const std::string& text, CTables& tables);
    // Uses the tables of an image; false when they do not hold together.
    bool attach(const char* pImage, size_t size, const image::CListKey& key);
    void writeImage(const std::string& path) const;

    std::unique_ptr<platform::CFileMap> m_pMap;   // the image file, when it was used
    std::vector<uint64_t> m_built;                // the image built at this start, otherwise
    const CNode* m_pNodes = nullptr;              // the root table first, indexed by code
    const uint16_t* m_pCodes = nullptr;           // the character code of every node
    const CLetterWord* m_pLetterWords = nullptr;  // open addressing
    size_t m_letterSlots = 0;                     // a power of two, or 0
    const char* m_pLetters = nullptr;             // the letter words, lower-cased, one after another
    int32_t m_lineCount = 0;
};

inline int32_t CDictionary::child(int32_t node, uint32_t code) const
{
    const CNode& parent = m_pNodes[node];
    uint32_t count = parent.childCount;
    if (count == 0)
        return NO_NODE;
    // Branch-free binary search: the comparisons of a look-up in running text
    // are unpredictable, and a conditional move costs less than a mispredicted
    // branch at every step.
    const uint16_t* base = m_pCodes + parent.firstChild;
    while (count > 1) {
        uint32_t half = count / 2;
        base = base[half] <= code ? base + half : base;
        count -= half;
    }
    return *base == code ? static_cast<int32_t>(base - m_pCodes) : NO_NODE;
}

inline uint32_t CDictionary::hashLetters(const unsigned char* begin, const unsigned char* end)
{
    uint32_t hash = 2166136261u;   // FNV-1a over the lower-cased letters
    for (const unsigned char* p = begin; p < end; ++p)
        hash = (hash ^ (*p | 0x20u)) * 16777619u;
    return hash;
}

inline size_t CDictionary::letterSlot(const CLetterWord* pSlots, size_t slots, const char* pLetters,
                                     const unsigned char* begin, const unsigned char* end, uint32_t hash)
{
    const auto length = static_cast<uint32_t>(end - begin);
    const size_t mask = slots - 1;
    for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const CLetterWord& word = pSlots[slot];
        if (word.length == 0 ||
            (word.hash == hash && word.length == length &&
             std::equal(begin, end, pLetters + word.offset,
                        [](unsigned char letter, char lower) { return char(letter | 0x20) == lower; })))
            return slot;
    }
}

inline wid_t CDictionary::letterWord(const unsigned char* begin, const unsigned char* end) const
{
    // A free slot holds the id -1.
    if (m_letterSlots == 0)
        return -1;
    return m_pLetterWords[letterSlot(m_pLetterWords, m_letterSlots, m_pLetters, begin, end, hashLetters(begin, end))]
        .id;
}

} // namespace cs::analyze
