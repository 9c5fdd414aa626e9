#include "index/writer/PrepareQueue.h"

#include <utility>

#include "content/Content.h"
#include "utility/Error.h"
#include "utility/OsUtility.h"

namespace cs::index {

using content::CContent;

CPrepareQueue::CPrepareQueue(const content::CContentMode& mode, Work prepare, bool worker, CBounds bounds)
    : m_mode(mode), m_prepare(std::move(prepare)), m_bounds(bounds), m_hasWorker(worker)
{
    CS_ASSERT(bounds.documents > 0);
    if (worker && !m_worker.start([this] { work(); }, [this] { requestStop(); }))
        CS_THROW("can't start the thread that prepares documents: %s", utility::GetLastErrorText().c_str());
}

CPrepareQueue::~CPrepareQueue()
{
    requestStop();
    m_worker.join();
}

void CPrepareQueue::requestStop()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_workArrived.notify_all();
}

CContent* CPrepareQueue::freeDocument()
{
    CS_ASSERT(!m_pFilling);
    if (m_free.empty() && m_slots.size() < m_bounds.documents) {
        m_slots.push_back(std::make_unique<CSlot>());
        m_slots.back()->pDocument = std::make_unique<CContent>(m_mode);
        m_free.push_back(m_slots.back().get());
    }
    if (m_free.empty())
        return nullptr;
    m_pFilling = m_free.back();
    m_free.pop_back();
    return m_pFilling->pDocument.get();
}

void CPrepareQueue::handOver(CContent& document)
{
    CS_ASSERT(m_pFilling && m_pFilling->pDocument.get() == &document);
    m_pFilling->stepsBefore.swap(m_trailingSteps);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_onTheWay.push_back(m_pFilling);
    }
    m_pFilling = nullptr;
    m_workArrived.notify_one();
}

bool CPrepareQueue::onTheWay() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return !m_onTheWay.empty();
}

void CPrepareQueue::addStep(Step step)
{
    if (onTheWay()) {
        m_trailingSteps.push_back(std::move(step));
        return;
    }
    runTrailingSteps();   // left by a document that raised
    step();
}

void CPrepareQueue::runTrailingSteps()
{
    std::vector<Step> steps;
    steps.swap(m_trailingSteps);
    for (Step& step : steps)
        step();
}

bool CPrepareQueue::indexNext(const Work& index, bool wait)
{
    CSlot* pSlot = takeOldest(wait);
    if (!pSlot)
        return false;
    struct CRecycle {
        CPrepareQueue& queue;
        CSlot* pSlot;
        ~CRecycle() { queue.recycle(pSlot); }
    } recycle{*this, pSlot};
    for (Step& step : pSlot->stepsBefore)
        step();
    if (pSlot->error)
        std::rethrow_exception(pSlot->error);
    index(*pSlot->pDocument);
    if (!onTheWay())
        runTrailingSteps();
    return true;
}

void CPrepareQueue::drain(const Work& index)
{
    while (indexNext(index, true)) {
    }
    runTrailingSteps();
}

CPrepareQueue::CSlot* CPrepareQueue::takeOldest(bool wait)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_onTheWay.empty())
        return nullptr;
    CSlot* pSlot = m_onTheWay.front();
    if (!m_hasWorker) {
        m_onTheWay.pop_front();
        lock.unlock();
        prepare(*pSlot);
        return pSlot;
    }
    if (m_preparedCount == 0) {
        if (!wait)
            return nullptr;
        m_prepared.wait(lock, [this] { return m_preparedCount > 0; });
    }
    m_onTheWay.pop_front();
    --m_preparedCount;
    m_preparedBytes -= pSlot->bytes;
    lock.unlock();
    m_workArrived.notify_one();   // there may be room below the byte bound now
    return pSlot;
}

void CPrepareQueue::work()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_workArrived.wait(lock, [this] {
            bool unprepared = m_preparedCount < m_onTheWay.size();
            bool room = m_preparedCount == 0 || m_preparedBytes < m_bounds.bytes;
            return m_stopping || (unprepared && room);
        });
        if (m_stopping)
            return;
        // Its place may move up as the calling thread takes back the ones
        // before it, but it stays the first unprepared one.
        CSlot* pSlot = m_onTheWay[m_preparedCount];
        lock.unlock();
        prepare(*pSlot);
        lock.lock();
        ++m_preparedCount;
        m_preparedBytes += pSlot->bytes;
        m_prepared.notify_one();
    }
}

void CPrepareQueue::prepare(CSlot& slot)
{
    try {
        m_prepare(*slot.pDocument);
    } catch (...) {
        slot.error = std::current_exception();
    }
    slot.bytes = slot.pDocument->heldBytes();
}

void CPrepareQueue::recycle(CSlot* pSlot)
{
    pSlot->pDocument->clear();
    if (pSlot->pDocument->heldBytes() > KEEP_BYTES)
        pSlot->pDocument = std::make_unique<CContent>(m_mode);
    pSlot->stepsBefore.clear();
    pSlot->error = nullptr;
    pSlot->bytes = 0;
    m_free.push_back(pSlot);
}

} // namespace cs::index
