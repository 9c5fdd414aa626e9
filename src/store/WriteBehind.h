// Writes an output's full buffers on a thread of its own while the caller
// fills the next one: a merge's postings are written beside the merging of
// the next terms instead of in turn with it. Buffers are written in the order
// they were handed over, so a later write of the same bytes still wins.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Thread.h"

namespace cs::store {

class CWriteBehind {
public:
    // Writes `length` bytes at file offset `position`; on failure returns
    // false with the reason in `error`. Runs on the writing thread.
    using Write = std::function<bool(const uint8_t* data, int64_t length, int64_t position, std::string& error)>;

    // Buffers of `capacity` bytes, allocated as CIndexOutput allocates its
    // own. Raises when the system gives no thread.
    CWriteBehind(int32_t capacity, Write write);
    // Waits for the handed buffers; frees those it holds.
    ~CWriteBehind();
    CWriteBehind(const CWriteBehind&) = delete;
    CWriteBehind& operator=(const CWriteBehind&) = delete;

    // Takes `buffer` (`length` bytes for `position`) to be written and
    // returns an empty buffer of the same capacity; waits while every buffer
    // is on its way. False, with the first failure's reason, once a write
    // failed: the caller's output is then incomplete.
    bool hand(uint8_t*& buffer, int64_t length, int64_t position, std::string& error);
    // Waits until every handed buffer is written; false as hand().
    bool drain(std::string& error);

    int32_t capacity() const { return m_capacity; }

    // Buffers on their way at most, besides the one the caller fills.
    static constexpr size_t IN_FLIGHT = 3;

private:
    struct CJob {
        uint8_t* buffer;
        int64_t length;
        int64_t position;
    };

    void run();
    // Under m_mutex: no buffer is queued or being written (the pool holds
    // every buffer but the caller's).
    bool idle() const { return m_free.size() == IN_FLIGHT; }
    bool failed(std::string& error) const;   // under m_mutex

    int32_t m_capacity;
    Write m_write;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<CJob> m_jobs;
    std::vector<uint8_t*> m_free;
    bool m_stop = false;
    std::string m_error;      // the first failure; nothing is written after it
    platform::CThread m_thread;
};

} // namespace cs::store
