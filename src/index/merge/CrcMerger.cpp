#include "index/merge/CrcMerger.h"

namespace cs::index {

bool CCrcMerger::keepsPositions(const CFieldInfo& fieldInfo) const { return fieldInfo.getIndexWay() == 0; }

void CCrcMerger::writeTerms(const COutputDescriptor& outputs, const CTermInfo* entries, int32_t count)
{
    writeTermEntries(outputs, entries, count, "crc");
}

int64_t CCrcMerger::endField(const COutputDescriptor& outputs) { return writeFieldTrailer(outputs, "crc"); }

} // namespace cs::index
