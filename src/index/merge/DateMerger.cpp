#include "index/merge/DateMerger.h"

namespace cs::index {

bool CDateMerger::keepsPositions(const CFieldInfo& /*fieldInfo*/) const { return false; }

void CDateMerger::writeTerms(const COutputDescriptor& outputs, const CTermInfo* entries, int32_t count)
{
    writeTermEntries(outputs, entries, count, "date");
}

int64_t CDateMerger::endField(const COutputDescriptor& outputs) { return writeFieldTrailer(outputs, "date"); }

} // namespace cs::index
