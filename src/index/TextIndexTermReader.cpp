#include "index/TextIndexTermReader.h"

#include "index/TextIndexTermReaderImpl.h"

namespace cs::index {

CTextIndexTermReader::CTextIndexTermReader() : CTermReaderWrapper(std::make_unique<CTextIndexTermReaderImpl>()) {}

} // namespace cs::index
