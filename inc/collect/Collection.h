// A source of documents for one indexing run. The run driver hands a
// collection the index writer and runs it; the collection pushes documents
// into the writer until its source is exhausted, then closes the writer. The
// writer asks the collection to save its progress at every barrel flush.
#pragma once

#include <memory>
#include <string>

#include "index/writer/FlushListener.h"

namespace cs::content {
class CContentMode;
}
namespace cs::index {
class CIndexWriter;
}

namespace cs::collection {

class CCollection : public index::CFlushListener {
public:
    // States.
    static constexpr int STATE_RUNNING = 1;
    static constexpr int STATE_STOPPING = 2;
    static constexpr int STATE_CLOSED = 3;

    // Makes collections of one kind, named "<kind>.collection".
    class CCreator {
    public:
        explicit CCreator(const std::string& prefix) : m_identifier(prefix + "." + "collection") {}
        virtual ~CCreator() = default;

        // `source` is the source directory of a directory collection and the
        // database name of an activity-record collection. Null when the
        // collection cannot be made.
        virtual std::unique_ptr<CCollection> create(const std::string& source, int recreate) const = 0;
        virtual const char* identifier() const { return m_identifier.c_str(); }

    private:
        std::string m_identifier;
    };

    CCollection() = default;
    // Deletes the index writer when the collection owns it.
    virtual ~CCollection();
    CCollection(const CCollection&) = delete;
    CCollection& operator=(const CCollection&) = delete;

    void setIndexWriter(index::CIndexWriter* pIndexWriter, bool owned);
    index::CIndexWriter* getIndexWriter() const { return m_pIndexWriter; }

    // The collections of this program run their source to the end; a stop
    // request only changes the state.
    virtual void requestStop();
    virtual bool isStopping() const { return m_state == STATE_STOPPING; }
    virtual bool isClosed() const { return m_state == STATE_CLOSED; }

    // Hands the content mode of the writer's index to the collection,
    // collects every pending document and closes.
    virtual void run();
    // Closes the index writer (which flushes its last barrel).
    virtual void close();

    // Feeds every pending document to the index writer.
    virtual void collect() = 0;
    // Takes the content mode before collecting.
    virtual void setContentMode(const content::CContentMode* pMode) = 0;
    // Writes the collection's progress beside the index files, under ".tmp"
    // names that the writer's flush renames together with the barrel.
    void saveStatus() override = 0;

protected:
    index::CIndexWriter* m_pIndexWriter = nullptr;
    bool m_ownsWriter = false;
    int m_state = 0;
};

} // namespace cs::collection
