// One document a query found.
#pragma once

#include <cstdint>
#include <string>

namespace cs::search {

struct CSearchHit {
    int64_t doc = 0;        // global document number
    double score = 0.0;
    std::string path;       // the stored fields as the index keeps them
    std::string abstract;
};

} // namespace cs::search
