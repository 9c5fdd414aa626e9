// The passage of a document's text shown with a hit: the window of the text
// that holds the most distinct query words (then the most matches), widened
// evenly to the snippet's width, cut at word and character boundaries, with
// the matched words marked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "analyze/Analyzer.h"
#include "search/SearchHit.h"

namespace cs::search {

// Bytes of a snippet: in GBK about the columns it takes on a terminal.
inline constexpr size_t SNIPPET_WIDTH = 240;

// The snippet of `gbk`, whose terms and their spans the field's analyser gave,
// for the query terms `wanted`, into the hit's snippet and marks. False, with
// the hit untouched, when no term of the text is wanted.
bool MakeSnippet(const std::string& gbk, const std::vector<int32_t>& terms,
                 const std::vector<analyze::CTermSpan>& spans, const std::set<int32_t>& wanted, CSearchHit& hit);

// The start of `gbk`, cut to the snippet's width, unmarked.
void LeadingSnippet(const std::string& gbk, CSearchHit& hit);

} // namespace cs::search
