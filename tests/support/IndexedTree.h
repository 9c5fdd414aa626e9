// What an index built from a CChangingTree holds of it, decoded with the
// test's own readers.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "support/ChangingTree.h"

namespace cs::test {

// Every marker of the tree, of a present file or a retired version, that live
// documents of the index in `dir` hold, with the paths those documents store.
std::map<std::string, std::vector<std::string>> LiveMarkers(const std::string& dir, const CChangingTree& tree);

// What the index must hold after a complete run over `tree`: each present
// file exactly once, found by its marker and leading back to it, no version
// that is gone, and no other document; and the index is sound (CheckIndex).
void ExpectIndexHoldsExactlyTheTree(const std::string& dir, const CChangingTree& tree);

} // namespace cs::test
