// The documents between the collection and the barrel writer, in the order
// the collection handed them over. Each is prepared (parsed and analysed),
// then indexed (added to the barrel or dropped) on the calling thread. With a
// worker, a second thread prepares the documents, one after the other in that
// order, while the calling thread indexes those prepared before; without one,
// the calling thread prepares each as it comes to index it.
//
// Steps are work of the calling thread that keeps its place among the
// documents: a step runs after every document handed over before it is
// indexed, and before any handed over after it. A collection's progress is
// one, so that a flush on the way saves it with exactly the documents before.
//
// Bounds: `documents` documents in all (free, being filled, on their way);
// the worker waits while prepared documents not yet indexed hold `bytes` or
// more; a document that holds more than KEEP_BYTES once indexed is made anew,
// so that free documents do not keep a large text's storage.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/Thread.h"

namespace cs::content {
class CContent;
class CContentMode;
}

namespace cs::index {

class CPrepareQueue {
public:
    using Work = std::function<void(content::CContent&)>;
    using Step = std::function<void()>;

    struct CBounds {
        size_t documents;
        size_t bytes;
    };
    static constexpr size_t KEEP_BYTES = 262144;

    // Documents are made from `mode`, which outlives the queue. `prepare` runs
    // on the worker when `worker`, else on the calling thread. Raises when the
    // worker cannot be started.
    CPrepareQueue(const content::CContentMode& mode, Work prepare, bool worker, CBounds bounds);
    // Stops the worker once it has prepared the document it is on; the
    // documents not indexed are forgotten.
    ~CPrepareQueue();
    CPrepareQueue(const CPrepareQueue&) = delete;
    CPrepareQueue& operator=(const CPrepareQueue&) = delete;

    // A free document to fill, or null while all are on their way.
    content::CContent* freeDocument();
    // Hands over the document freeDocument() gave, filled.
    void handOver(content::CContent& document);
    // Runs `step` in its place: at once when no document is on its way.
    void addStep(Step step);
    // Indexes the oldest document on its way with `index` once it is
    // prepared (waiting for that when `wait`), after the steps before it;
    // the steps after the last document follow it. False when nothing was
    // indexed. When preparing the document raised, the document is freed and
    // the exception raised here in place of indexing it.
    bool indexNext(const Work& index, bool wait);
    // Indexes every document on its way and runs the steps after them.
    void drain(const Work& index);
    bool onTheWay() const;

private:
    struct CSlot {
        std::unique_ptr<content::CContent> pDocument;
        std::vector<Step> stepsBefore;
        std::exception_ptr error;   // raised while preparing
        size_t bytes = 0;           // held once prepared
    };

    void work();
    void prepare(CSlot& slot);
    CSlot* takeOldest(bool wait);
    void recycle(CSlot* pSlot);
    void runTrailingSteps();
    void requestStop();

    const content::CContentMode& m_mode;
    Work m_prepare;
    CBounds m_bounds;
    bool m_hasWorker;

    // The calling thread's alone.
    std::vector<std::unique_ptr<CSlot>> m_slots;
    std::vector<CSlot*> m_free;
    CSlot* m_pFilling = nullptr;        // given out by freeDocument()
    std::vector<Step> m_trailingSteps;   // after the newest document on its way

    // Shared with the worker, under the mutex. The worker prepares the
    // oldest unprepared document of m_onTheWay; the calling thread takes back
    // prepared ones from the front.
    mutable std::mutex m_mutex;
    std::condition_variable m_workArrived;   // the worker waits on it
    std::condition_variable m_prepared;      // the calling thread waits on it
    std::deque<CSlot*> m_onTheWay;           // handed over, not indexed, oldest first
    size_t m_preparedCount = 0;              // the first ones of m_onTheWay
    size_t m_preparedBytes = 0;              // held by those
    bool m_stopping = false;

    platform::CThread m_worker;
};

} // namespace cs::index
