// The deleted documents of one barrel: one bit per local document number,
// kept in the barrel's ".del" file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace cs::utility {

class CDocDeleted {
public:
    static constexpr uint32_t BYTE_LENGTH = 8;

    CDocDeleted() = default;
    CDocDeleted(const CDocDeleted&) = delete;
    CDocDeleted& operator=(const CDocDeleted&) = delete;

    // False (logged) when the file cannot be opened; a file that cannot be
    // read whole, or is damaged, raises. The bitmap is replaced only by a
    // successful load.
    bool load(const std::string& path);
    // The same from the bytes of the file at `path` (read by the caller).
    void decode(const std::string& bytes, const std::string& path);
    // False when there is no bitmap or the file cannot be created; the file
    // is committed to disk before true is returned.
    bool save(const std::string& path) const;

    bool isDeleted(int32_t docid) const;
    // Grows the bitmap to cover `docid` when needed.
    void setDeleted(int32_t docid, bool deleted = true);
    // Appends `count` documents, not deleted.
    void grow(uint32_t count);
    // Appends the documents of `other` after these.
    void append(const CDocDeleted& other);
    // Drops the run of deleted documents at the start; the rest move down.
    void trimLeadingDeleted();
    // No document deleted; the document count is kept.
    void clear();

    bool empty() const { return !m_pdocState; }
    uint32_t docNum() const { return m_pdocState ? m_pdocState->docNum : 0; }
    uint32_t docDelNum() const { return m_pdocState ? m_pdocState->docDelNum : 0; }

private:
    // Bits beyond docNum are always 0, so that growing or appending never
    // brings a stale deletion back.
    struct DocState {
        uint32_t docNum = 0;
        uint32_t docDelNum = 0;
        std::vector<uint8_t> bitmap;   // docNum / BYTE_LENGTH + 1 bytes

        explicit DocState(uint32_t count) : docNum(count), bitmap(count / BYTE_LENGTH + 1, 0) {}
        void resize(uint32_t count);
    };

    std::unique_ptr<DocState> m_pdocState;
};

} // namespace cs::utility
