#include "index/terms/TextIndexTermReader.h"

#include "index/terms/TextIndexTermReaderImpl.h"

namespace cs::index {

CTextIndexTermReader::CTextIndexTermReader() : CTermReaderWrapper(std::make_unique<CTextIndexTermReaderImpl>()) {}

} // namespace cs::index
