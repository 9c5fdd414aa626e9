#include "index/terms/DateIndexTermReader.h"

#include "index/terms/DateIndexTermReaderImpl.h"

namespace cs::index {

CDateIndexTermReader::CDateIndexTermReader() : CTermReaderWrapper(std::make_unique<CDateIndexTermReaderImpl>()) {}

CIndexTermIterator* CDateIndexTermReader::rangeQuery(const utility::CTerm* from, const utility::CTerm* to)
{
    return static_cast<CDateIndexTermReaderImpl*>(impl())->rangeQuery(from, to);
}

} // namespace cs::index
