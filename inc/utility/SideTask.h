// One piece of work run beside the calling thread's (the stored fields of a
// merge copied while its terms are merged), or in place when the run has one
// thread. What the work raises reaches the caller at wait().
#pragma once

#include <cstddef>
#include <exception>
#include <functional>

#include "platform/Thread.h"

namespace cs::utility {

class CSideTask {
public:
    // Starts `work` on a second thread when `beside`, else runs it now
    // (raising what it raises). Raises when the system gives no thread.
    CSideTask(bool beside, std::function<void()> work);
    // Waits for the work; what it raised is dropped (the caller is leaving
    // on an error of its own).
    ~CSideTask();
    CSideTask(const CSideTask&) = delete;
    CSideTask& operator=(const CSideTask&) = delete;

    // Waits for the work to end and raises what it raised.
    void wait();

private:
    std::function<void()> m_work;
    std::exception_ptr m_error;
    platform::CThread m_thread;
};

// Runs work(0) .. work(count - 1), each once, spread over the calling thread
// and at most `helpers` side threads; once all have ended, raises the first
// thing any of them raised (the others then take no new index).
void RunSpread(size_t count, int helpers, const std::function<void(size_t)>& work);

} // namespace cs::utility
