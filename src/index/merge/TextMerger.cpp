#include "index/merge/TextMerger.h"

namespace cs::index {

bool CTextMerger::keepsPositions(const CFieldInfo& /*fieldInfo*/) const { return true; }

void CTextMerger::writeTerms(const COutputDescriptor& outputs, const CTermInfo* entries, int32_t count)
{
    writeTermEntries(outputs, entries, count, "text");
}

int64_t CTextMerger::endField(const COutputDescriptor& outputs) { return writeFieldTrailer(outputs, "text"); }

} // namespace cs::index
