#include "utility/SideTask.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <utility>
#include <vector>

#include "utility/Error.h"
#include "utility/OsUtility.h"

namespace cs::utility {

CSideTask::CSideTask(bool beside, std::function<void()> work) : m_work(std::move(work))
{
    if (!beside) {
        m_work();
        return;
    }
    auto body = [this] {
        try {
            m_work();
        } catch (...) {
            m_error = std::current_exception();
        }
    };
    // The work is finite and short: there is nothing to ask it to stop.
    if (!m_thread.start(body, [] {}))
        CS_THROW("can't start a second thread: %s", GetLastErrorText().c_str());
}

CSideTask::~CSideTask() { m_thread.join(); }

void CSideTask::wait()
{
    m_thread.join();
    if (m_error)
        std::rethrow_exception(std::exchange(m_error, nullptr));
}

void RunSpread(size_t count, int helpers, const std::function<void(size_t)>& work)
{
    std::atomic<size_t> next{0};
    std::atomic<bool> failed{false};
    auto drain = [&] {
        try {
            for (size_t i; !failed && (i = next++) < count;)
                work(i);
        } catch (...) {
            failed = true;
            throw;
        }
    };
    std::exception_ptr error;
    {
        std::vector<std::unique_ptr<CSideTask>> side;
        size_t wanted = std::min(static_cast<size_t>(std::max(helpers, 0)), count > 0 ? count - 1 : 0);
        try {
            while (side.size() < wanted)
                side.push_back(std::make_unique<CSideTask>(true, drain));
            drain();
        } catch (...) {
            error = std::current_exception();
            failed = true;
        }
        for (std::unique_ptr<CSideTask>& pTask : side) {
            try {
                pTask->wait();
            } catch (...) {
                if (!error)
                    error = std::current_exception();
            }
        }
    }
    if (error)
        std::rethrow_exception(error);
}

} // namespace cs::utility
