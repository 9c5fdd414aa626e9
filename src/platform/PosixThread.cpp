// POSIX implementation of the platform layer: threads.
#include "platform/Thread.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <mutex>
#include <pthread.h>
#include <unistd.h>
#include <vector>

namespace cs::platform {

struct CThread::CRunning {
    std::function<void()> body;
    std::function<void()> stop;
    pthread_t id{};
    pid_t process = 0;   // a forked copy of the process has none of its threads
};

namespace {

// The threads started and not yet joined. Never destroyed: the exit handler
// runs while static objects go.
struct CRegistry {
    std::mutex mutex;
    std::vector<std::shared_ptr<CThread::CRunning>> running;
};

CRegistry& Registry()
{
    static CRegistry* pRegistry = new CRegistry;
    return *pRegistry;
}

// Takes `pRunning` out of the registry; false when it was not there (the exit
// handler took it, and joins it).
bool Unregister(const std::shared_ptr<CThread::CRunning>& pRunning)
{
    std::lock_guard<std::mutex> lock(Registry().mutex);
    std::vector<std::shared_ptr<CThread::CRunning>>& running = Registry().running;
    auto it = std::find(running.begin(), running.end(), pRunning);
    if (it == running.end())
        return false;
    running.erase(it);
    return true;
}

// Registered before the first thread starts, so it runs before the static
// objects made until then are destroyed.
void StopAtExit()
{
    std::vector<std::shared_ptr<CThread::CRunning>> stopping;
    {
        std::lock_guard<std::mutex> lock(Registry().mutex);
        std::vector<std::shared_ptr<CThread::CRunning>>& running = Registry().running;
        for (auto it = running.begin(); it != running.end();) {
            bool other = (*it)->process == ::getpid() && !::pthread_equal((*it)->id, ::pthread_self());
            if (other) {
                stopping.push_back(*it);
                it = running.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (const std::shared_ptr<CThread::CRunning>& pRunning : stopping) {
        pRunning->stop();
        ::pthread_join(pRunning->id, nullptr);
    }
}

void* Run(void* pArgument)
{
    static_cast<CThread::CRunning*>(pArgument)->body();
    return nullptr;
}

} // namespace

CThread::~CThread() { join(); }

bool CThread::start(std::function<void()> body, std::function<void()> stop)
{
    join();
    static std::once_flag registered;
    std::call_once(registered, [] { std::atexit(StopAtExit); });
    auto pRunning = std::make_shared<CRunning>();
    pRunning->body = std::move(body);
    pRunning->stop = std::move(stop);
    pRunning->process = ::getpid();

    // The new thread inherits the mask; synchronous signals stay open, since
    // a fault with its signal blocked ends the process without its handler.
    sigset_t blocked, previous;
    sigfillset(&blocked);
    for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGSYS})
        sigdelset(&blocked, signal);
    ::pthread_sigmask(SIG_SETMASK, &blocked, &previous);
    // Under the lock: the exit handler never sees the thread without its id.
    std::unique_lock<std::mutex> lock(Registry().mutex);
    int error = ::pthread_create(&pRunning->id, nullptr, Run, pRunning.get());
    if (error == 0)
        Registry().running.push_back(pRunning);
    lock.unlock();
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (error != 0) {
        errno = error;
        return false;
    }
    m_pRunning = std::move(pRunning);
    return true;
}

void CThread::join()
{
    if (!m_pRunning)
        return;
    if (Unregister(m_pRunning))
        ::pthread_join(m_pRunning->id, nullptr);
    m_pRunning.reset();
}

} // namespace cs::platform
