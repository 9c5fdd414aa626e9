// The length of every document in the word fields of a barrel (B.len): the
// terms the field's text gave, stop words included, as the field's total terms
// in .fdi count them. BM25 divides by it; a barrel without the file, or a
// document whose length is UNKNOWN, is taken to be of the field's average
// length. The bytes are in docs/format.md.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "index/fields/FieldFactory.h"

namespace cs::store {
class CIndexInput;
class CIndexOutput;
}

namespace cs::index::format {

struct CDocLengths {
    // A document merged from a barrel that had no lengths.
    static constexpr int32_t UNKNOWN = -1;
    // More fields than any content mode has: a count past it is damage.
    static constexpr int32_t MAX_FIELDS = 1024;

    // The fields a barrel's lengths cover: those of the text kind, ascending.
    static std::vector<int32_t> coveredFields(const FieldFactoryMap& factories);

    std::vector<int32_t> fieldIds;               // ascending
    std::vector<std::vector<int32_t>> lengths;   // per field of fieldIds, per document

    // Covers `ids` with no document.
    void reset(const std::vector<int32_t>& ids);
    int32_t documentCount() const { return lengths.empty() ? 0 : static_cast<int32_t>(lengths[0].size()); }
    // The lengths of a field, or null when the table does not cover it.
    const std::vector<int32_t>* field(int32_t fieldId) const;

    void write(store::CIndexOutput& output) const;
    // Raises "index file <path> is damaged: ..." when the counts do not fit
    // the file or the field ids do not rise; the lengths themselves are not
    // judged (the checker does).
    void read(store::CIndexInput& input, const std::string& path);
};

} // namespace cs::index::format
