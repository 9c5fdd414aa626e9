// One document a query found.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace cs::search {

// Bytes [first, second) of a snippet: a matched word.
typedef std::pair<size_t, size_t> Mark;

struct CSearchHit {
    int64_t doc = 0;        // global document number
    double score = 0.0;
    std::string path;       // the stored fields as the index keeps them
    std::string date;
    std::string abstract;
    // The passage shown (GBK): around the best matches of the abstract, or
    // of the document read again when the abstract holds none; the start of
    // the abstract when neither does. Cut ends carry an ellipsis.
    std::string snippet;
    std::vector<Mark> marks;   // ascending, not overlapping
};

} // namespace cs::search
