#include "search/Snippet.h"

#include <algorithm>
#include <map>

namespace cs::search {

namespace {

constexpr char kEllipsis[] = "\xA1\xAD";   // "…" in GBK

bool IsWordByte(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

bool IsBlank(char c) { return c == ' ' || c == '\n' || c == '\t' || c == '\r'; }

// The characters of a GBK text: where each starts, and the end. A byte from
// 81 on leads a pair.
std::vector<size_t> Boundaries(const std::string& gbk)
{
    std::vector<size_t> starts;
    size_t i = 0;
    for (; i < gbk.size(); i += static_cast<unsigned char>(gbk[i]) >= 0x81 ? 2 : 1)
        starts.push_back(i);
    starts.push_back(std::min(i, gbk.size()));
    return starts;
}

// [begin, end) moved inwards to character boundaries, off a cut word and off
// blanks; `core` (a range of boundaries) is never cut into.
std::pair<size_t, size_t> Trim(const std::string& gbk, size_t begin, size_t end, size_t coreBegin, size_t coreEnd)
{
    std::vector<size_t> bounds = Boundaries(gbk);
    auto index = [&](size_t offset) { return static_cast<size_t>(std::lower_bound(bounds.begin(), bounds.end(), offset) - bounds.begin()); };
    // Character k lies in [bounds[k], bounds[k + 1]); only single bytes make words or blanks.
    auto single = [&](size_t k, bool (*test)(char)) {
        return k + 1 < bounds.size() && bounds[k + 1] - bounds[k] == 1 && test(gbk[bounds[k]]);
    };
    size_t first = index(begin), coreFirst = index(coreBegin), coreLast = index(coreEnd);
    size_t last = static_cast<size_t>(std::upper_bound(bounds.begin(), bounds.end(), end) - bounds.begin()) - 1;
    if (first > 0 && single(first - 1, IsWordByte))
        while (first < coreFirst && single(first, IsWordByte))
            ++first;
    if (single(last, IsWordByte))
        while (last > coreLast && single(last - 1, IsWordByte))
            --last;
    while (first < coreFirst && single(first, IsBlank))
        ++first;
    while (last > coreLast && single(last - 1, IsBlank))
        --last;
    return {bounds[first], bounds[last]};
}

// The hit's snippet is gbk[begin, end), with ellipses where it is cut.
size_t Cut(const std::string& gbk, size_t begin, size_t end, CSearchHit& hit)
{
    hit.snippet = begin > 0 ? kEllipsis : "";
    size_t shift = hit.snippet.size();
    hit.snippet.append(gbk, begin, end - begin);
    if (end < gbk.size())
        hit.snippet += kEllipsis;
    hit.marks.clear();
    return shift;
}

} // namespace

bool MakeSnippet(const std::string& gbk, const std::vector<int32_t>& terms,
                 const std::vector<analyze::CTermSpan>& spans, const std::set<int32_t>& wanted, CSearchHit& hit)
{
    std::vector<size_t> matches;   // indexes into terms
    for (size_t i = 0; i < terms.size() && i < spans.size(); ++i) {
        if (terms[i] != -1 && wanted.count(terms[i]))
            matches.push_back(i);
    }
    if (matches.empty())
        return false;
    // The window of matches that fits the width with the most distinct
    // terms, then the most matches; the first of equals.
    size_t bestFirst = 0, bestLast = 0, bestDistinct = 0, bestCount = 0;
    std::map<int32_t, size_t> inWindow;
    for (size_t first = 0, last = 0; first < matches.size(); ++first) {
        if (last < first)
            last = first;
        while (last < matches.size() &&
               spans[matches[last]].end - spans[matches[first]].begin <= SNIPPET_WIDTH) {
            ++inWindow[terms[matches[last]]];
            ++last;
        }
        size_t count = last - first;
        if (count > 0 && (inWindow.size() > bestDistinct || (inWindow.size() == bestDistinct && count > bestCount))) {
            bestFirst = first;
            bestLast = last - 1;
            bestDistinct = inWindow.size();
            bestCount = count;
        }
        if (count > 0) {
            auto found = inWindow.find(terms[matches[first]]);
            if (--found->second == 0)
                inWindow.erase(found);
        }
    }
    size_t coreBegin = spans[matches[bestFirst]].begin;
    size_t coreEnd = spans[matches[bestLast]].end;
    // A single match longer than the width is shown whole.
    size_t slack = SNIPPET_WIDTH > coreEnd - coreBegin ? SNIPPET_WIDTH - (coreEnd - coreBegin) : 0;
    size_t before = std::min(slack / 2, coreBegin);
    size_t after = std::min(slack - before, gbk.size() - coreEnd);
    before = std::min(slack - after, coreBegin);
    auto [begin, end] = Trim(gbk, coreBegin - before, coreEnd + after, coreBegin, coreEnd);
    size_t shift = Cut(gbk, begin, end, hit);
    for (size_t m = bestFirst; m <= bestLast; ++m) {
        Mark mark{spans[matches[m]].begin - begin + shift, spans[matches[m]].end - begin + shift};
        // Words that touch (a phrase segmented into several) are one mark.
        if (!hit.marks.empty() && mark.first <= hit.marks.back().second)
            hit.marks.back().second = std::max(hit.marks.back().second, mark.second);
        else
            hit.marks.push_back(mark);
    }
    return true;
}

void LeadingSnippet(const std::string& gbk, CSearchHit& hit)
{
    size_t end = std::min(gbk.size(), SNIPPET_WIDTH);
    auto [begin, cut] = Trim(gbk, 0, end, 0, 0);
    Cut(gbk, begin, cut, hit);
}

} // namespace cs::search
