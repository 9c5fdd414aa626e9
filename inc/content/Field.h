// One field of one document: its place in the content mode, its current value
// and, once analysed, its token list. Fields belong to a reused document, so
// clearing keeps the storage of the text and of the token list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "analyze/TokenList.h"

namespace cs::content {

class CField {
public:
    // Value kinds.
    static constexpr uint8_t EMPTY = 0;
    static constexpr uint8_t TEXT = 1;
    static constexpr uint8_t NUMBER = 2;

    CField(uint32_t id, const std::string& name, uint8_t indexMode, int32_t storeMode)
        : m_id(id), m_name(name), m_indexMode(indexMode), m_storeMode(storeMode)
    {
    }
    CField(const CField&) = delete;
    CField& operator=(const CField&) = delete;

    uint32_t getFieldID() const { return m_id; }
    const std::string& getName() const { return m_name; }
    uint8_t getIndexMode() const { return m_indexMode; }
    int32_t getStoreMode() const { return m_storeMode; }
    uint8_t getType() const { return m_data.ft; }

    // The text of a TEXT field (not terminated); any other kind is a
    // programming error.
    const char* getText() const;
    size_t getTextLength() const;
    int64_t getNumber() const;

    // The attached token list, or null before the analysis pass.
    analyze::CTokenListBase* getTokens() const { return m_pTokens; }

    void setText(const char* bytes, size_t length);
    void setNumber(int64_t value);

    // Attaches an empty token list and returns it.
    analyze::CTokenList<analyze::wid_t>& newTokens();

    // Forgets the value and the token list.
    void clear();

    // Bytes the text and the token list hold, used or kept for reuse.
    size_t heldBytes() const;

private:
    struct CData {
        uint8_t ft = EMPTY;
        std::string text;
        int64_t number = 0;
    };

    uint32_t m_id;
    std::string m_name;
    uint8_t m_indexMode;
    int32_t m_storeMode;
    CData m_data;
    analyze::CTokenListBase* m_pTokens = nullptr;
    analyze::CTokenList<analyze::wid_t> m_tokenStore;
};

} // namespace cs::content
