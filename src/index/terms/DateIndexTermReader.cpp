#include "index/terms/DateIndexTermReader.h"

#include <algorithm>

#include "index/terms/IndexTermIterator.h"
#include "utility/Error.h"
#include "utility/Term.h"

namespace cs::index {

namespace {
// A date term holds the day number that the date-time analyser gives.
typedef int32_t date_t;
}

CDateIndexTermReader::CDateIndexTermReader()
    : CTermReaderWrapper(std::make_unique<CTermReaderImpl>("date", PositionRule::NEVER))
{
}

CIndexTermIterator* CDateIndexTermReader::rangeQuery(const utility::CTerm* from, const utility::CTerm* to)
{
    CS_ASSERT_ARG_TEXT(from != nullptr && to != nullptr, "lower != NULL && upper != NULL");
    const auto* lower = dynamic_cast<const utility::CTermT<date_t>*>(from);
    const auto* upper = dynamic_cast<const utility::CTermT<date_t>*>(to);
    CS_ASSERT_ARG_TEXT(lower != nullptr, "dynamic_cast<const CTermT<date_t> *>(from) != NULL");
    CS_ASSERT_ARG_TEXT(upper != nullptr, "dynamic_cast<const CTermT<date_t> *>(to) != NULL");
    CS_ASSERT_ARG_TEXT((*lower) < (*upper) || (*lower) == (*upper), "(*lower) < (*upper) || (*lower) == (*upper)");
    auto byTerm = [](const CTermInfo& entry, date_t value) { return entry.m_term < value; };
    const std::vector<CTermInfo>& dictionary = impl()->getDictionary();
    const CTermInfo* begin = dictionary.data();
    const CTermInfo* end = begin + dictionary.size();
    const CTermInfo* first = std::lower_bound(begin, end, lower->get(), byTerm);
    const CTermInfo* last = std::lower_bound(first, end, upper->get(), byTerm);
    if (last != end && last->m_term == upper->get())
        ++last;
    return new CIndexTermIterator(impl(), first, last);
}

} // namespace cs::index
