#include "index/terms/CrcIndexTermReader.h"

namespace cs::index {

CCrcIndexTermReader::CCrcIndexTermReader()
    : CTermReaderWrapper(std::make_unique<CTermReaderImpl>("crc", PositionRule::BY_INDEX_WAY))
{
}

} // namespace cs::index
