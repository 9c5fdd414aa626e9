#include "index/terms/CrcIndexTermReader.h"

#include "index/terms/CrcIndexTermReaderImpl.h"

namespace cs::index {

CCrcIndexTermReader::CCrcIndexTermReader() : CTermReaderWrapper(std::make_unique<CCrcIndexTermReaderImpl>()) {}

} // namespace cs::index
