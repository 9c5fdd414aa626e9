// Terms of a dictionary kept as a flat array, in array order: the whole
// dictionary of a text field, or a slice of one.
#pragma once

#include "index/terms/IndexTermIterator.h"

namespace cs::index {

class CTextIndexTermIterator : public CIndexTermIterator {
public:
    // Entries [first, last) of the reader's dictionary.
    CTextIndexTermIterator(const CTermReaderImpl* pTermReader, const CTermInfo* first, const CTermInfo* last);

protected:
    const CTermInfo* nextEntry() override;

private:
    const CTermInfo* m_pNextEntry;
    const CTermInfo* m_pEnd;
};

} // namespace cs::index
