#include "index/terms/TextIndexTermReader.h"

namespace cs::index {

CTextIndexTermReader::CTextIndexTermReader()
    : CTermReaderWrapper(std::make_unique<CTermReaderImpl>("text", PositionRule::ALWAYS))
{
}

} // namespace cs::index
