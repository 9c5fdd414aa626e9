// A second thread of the process, for work that overlaps the calling
// thread's (the index writer's preparation of documents).
//
// The thread starts with every asynchronous signal blocked, so that signals
// keep going to the thread that received them before; faults still reach the
// thread that causes them. A thread still running when the process exits (an
// exit called on another thread after a fatal error) is asked to stop and
// waited for before the static objects it may be using are destroyed.
#pragma once

#include <functional>
#include <memory>

namespace cs::platform {

class CThread {
public:
    CThread() = default;
    // Waits for a started thread to end.
    ~CThread();
    CThread(const CThread&) = delete;
    CThread& operator=(const CThread&) = delete;

    // Starts `body`, which must not raise, on a new thread. `stop`, called on
    // another thread, asks the body to return soon. False, with the error code
    // set, when the system gives no thread.
    bool start(std::function<void()> body, std::function<void()> stop);
    // Waits for the thread to end; nothing when none was started.
    void join();

    struct CRunning;

private:
    std::shared_ptr<CRunning> m_pRunning;
};

} // namespace cs::platform
