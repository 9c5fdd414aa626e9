#include "store/WriteBehind.h"

#include <exception>
#include <utility>

#include "utility/Error.h"
#include "utility/OsUtility.h"

namespace cs::store {

CWriteBehind::CWriteBehind(int32_t capacity, Write write) : m_capacity(capacity), m_write(std::move(write))
{
    for (size_t i = 0; i < IN_FLIGHT; ++i)
        m_free.push_back(new uint8_t[static_cast<size_t>(capacity)]);
    auto stop = [this]() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
        m_changed.notify_all();
    };
    if (!m_thread.start([this]() { run(); }, stop)) {
        std::string reason = utility::GetLastErrorText();
        for (uint8_t* buffer : m_free)
            delete[] buffer;
        CS_THROW("failed to start a thread for writing (%s)", reason.c_str());
    }
}

CWriteBehind::~CWriteBehind()
{
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this]() { return idle() || m_stop; });
        m_stop = true;
        m_changed.notify_all();
    }
    m_thread.join();
    for (const CJob& job : m_jobs)   // left by a stop at exit
        delete[] job.buffer;
    for (uint8_t* buffer : m_free)
        delete[] buffer;
}

bool CWriteBehind::failed(std::string& error) const
{
    if (m_error.empty())
        return false;
    error = m_error;
    return true;
}

bool CWriteBehind::hand(uint8_t*& buffer, int64_t length, int64_t position, std::string& error)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_jobs.push_back(CJob{buffer, length, position});
    m_changed.notify_all();
    m_changed.wait(lock, [this]() { return !m_free.empty() || m_stop; });
    if (m_free.empty()) {
        // Stopped at exit with every buffer queued (the last one is this
        // caller's): it keeps that one to fill, nothing more is written.
        buffer = m_jobs.back().buffer;
        m_jobs.pop_back();
    } else {
        buffer = m_free.back();
        m_free.pop_back();
    }
    return !failed(error);
}

bool CWriteBehind::drain(std::string& error)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this]() { return idle() || m_stop; });
    return !failed(error);
}

void CWriteBehind::run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this]() { return !m_jobs.empty() || m_stop; });
        if (m_stop)
            return;
        CJob job = m_jobs.front();
        m_jobs.pop_front();
        bool written = true;
        std::string error;
        if (m_error.empty()) {
            lock.unlock();
            try {
                written = m_write(job.buffer, job.length, job.position, error);
            } catch (const std::exception& e) {   // the thread's body must not raise
                written = false;
                error = e.what();
            }
            lock.lock();
        }
        if (!written && m_error.empty())
            m_error = error.empty() ? std::string("write failed") : error;
        m_free.push_back(job.buffer);
        m_changed.notify_all();
    }
}

} // namespace cs::store
