#include "index/CrcIndexTermReader.h"

#include "index/CrcIndexTermReaderImpl.h"

namespace cs::index {

CCrcIndexTermReader::CCrcIndexTermReader() : CTermReaderWrapper(std::make_unique<CCrcIndexTermReaderImpl>()) {}

} // namespace cs::index
