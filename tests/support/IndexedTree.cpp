#include "support/IndexedTree.h"

#include <gtest/gtest.h>

#include "support/IndexFiles.h"
#include "support/LiveIndex.h"

namespace cs::test {

std::map<std::string, std::vector<std::string>> LiveMarkers(const std::string& dir, const CChangingTree& tree)
{
    CLiveIndex live(dir);
    std::map<std::string, std::vector<std::string>> markers;
    auto look = [&](const std::string& marker) {
        for (int64_t doc : live.withTerm(CChangingTree::termOf(marker)))
            markers[marker].push_back(live.documents().at(doc).path);
    };
    for (const auto& [path, marker] : tree.files())
        look(marker);
    for (const std::string& marker : tree.retired())
        look(marker);
    return markers;
}

void ExpectIndexHoldsExactlyTheTree(const std::string& dir, const CChangingTree& tree)
{
    CLiveIndex live(dir);
    for (const auto& [path, marker] : tree.files()) {
        std::vector<int64_t> docs = live.withTerm(CChangingTree::termOf(marker));
        ASSERT_EQ(docs.size(), 1u) << path << " (" << marker << ")";
        EXPECT_EQ(live.documents().at(docs[0]).path, path);
    }
    for (const std::string& marker : tree.retired())
        EXPECT_EQ(live.withTerm(CChangingTree::termOf(marker)).size(), 0u) << marker;
    EXPECT_EQ(live.documents().size(), tree.files().size());
    EXPECT_EQ(CheckIndex(dir), "");
}

} // namespace cs::test
