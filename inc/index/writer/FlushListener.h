// What the index writer tells the source of its documents (a collection):
// what became of each document, and when the state that the source keeps
// beside the index is to be saved. The source writes that state under ".tmp"
// names, which the flush (or merge) renames together with the barrel files.
#pragma once

#include <cstdint>

namespace cs::content {
class CContent;
}

namespace cs::index {

class CDocumentMap;

class CFlushListener {
public:
    virtual ~CFlushListener() = default;

    // Writes the state that belongs with the barrel being flushed.
    virtual void saveStatus() = 0;
    // `content` is in the barrel being filled as global document `docNumber`;
    // told before any flush that takes it.
    virtual void documentAdded(const content::CContent& /*content*/, int32_t /*docNumber*/) {}
    // `content` was dropped: its parser declined it (its drop reason says
    // why) or there was no parser for its file type.
    virtual void documentDropped(const content::CContent& /*content*/) {}
    // A merge renumbered the documents of the index; the state is written
    // again, with the new numbers, before the merge's replacement.
    virtual void documentsRenumbered(const CDocumentMap& /*documents*/) {}
};

} // namespace cs::index
