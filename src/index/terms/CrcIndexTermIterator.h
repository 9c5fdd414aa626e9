// Terms of a crc field, whose dictionary is an ordered map.
#pragma once

#include <map>

#include "index/terms/IndexTermIterator.h"

namespace cs::index {

class CCrcIndexTermIterator : public CIndexTermIterator {
public:
    typedef std::map<int32_t, CTermInfo> Dictionary;

    CCrcIndexTermIterator(const CTermReaderImpl* pTermReader, const Dictionary& dictionary);

protected:
    const CTermInfo* nextEntry() override;

private:
    Dictionary::const_iterator m_next;
    Dictionary::const_iterator m_end;
};

} // namespace cs::index
