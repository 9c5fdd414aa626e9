// What the index writer tells at every barrel flush: a source of documents
// that keeps state beside the index (a collection) writes it here, under
// ".tmp" names that the flush renames together with the barrel.
#pragma once

namespace cs::index {

class CFlushListener {
public:
    virtual ~CFlushListener() = default;

    // Writes the state that belongs with the barrel being flushed.
    virtual void saveStatus() = 0;
};

} // namespace cs::index
