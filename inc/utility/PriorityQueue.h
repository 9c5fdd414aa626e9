// A bounded binary min-heap of pointers, ordered by the subclass's lessThan.
// Slot 0 of the heap array is unused: the elements live in slots 1..size.
// Equal elements are never swapped and there is no secondary key, so among
// equals the order is whatever the heap gives.
#pragma once

#include <new>
#include <type_traits>

#include "utility/Error.h"

namespace cs::utility {

template <class T>
class CPriorityQueue {
    static_assert(std::is_pointer<T>::value, "the queue holds pointers");

public:
    CPriorityQueue() = default;
    virtual ~CPriorityQueue()
    {
        clear();
        delete[] m_heap;
    }
    CPriorityQueue(const CPriorityQueue&) = delete;
    CPriorityQueue& operator=(const CPriorityQueue&) = delete;

    // Whether clear() and the destructor delete the elements (they do by default).
    void setDeleteElements(bool deleteElements) { m_deleteElements = deleteElements; }

    void initialize(int maxSize)
    {
        CS_ASSERT_ARG(maxSize >= 1);
        clear();
        delete[] m_heap;
        m_heap = nullptr;
        m_maxSize = 0;
        m_heap = new (std::nothrow) T[static_cast<size_t>(maxSize) + 1]();
        if (!m_heap)
            CS_THROW("allocation error!");
        m_maxSize = maxSize;
    }

    void put(T e)
    {
        CS_ASSERT_ARG_TEXT(e != nullptr, "e != NULL");
        if (m_curSize >= m_maxSize)
            CS_THROW("put error,the queue is full!");
        // Where e settles is found first: should lessThan raise, nothing has moved.
        int last = m_curSize + 1;
        int pos = last;
        while (pos > 1 && lessThan(e, m_heap[pos / 2]))
            pos /= 2;
        for (int i = last; i > pos; i /= 2)
            m_heap[i] = m_heap[i / 2];
        m_heap[pos] = e;
        m_curSize = last;
    }

    // The least element, taken out of the queue; null when the queue is empty.
    T pop()
    {
        if (m_curSize == 0)
            return nullptr;
        T result = m_heap[1];
        T node = m_heap[m_curSize];
        // The last element sinks from the top into the heap without it; the
        // path is found before anything moves.
        int size = m_curSize - 1;
        int path[32];   // a heap of int-indexed slots is at most 31 levels deep
        int depth = 0;
        for (int i = 1;;) {
            int child = 2 * i;
            if (child > size)
                break;
            // The right child only when it is strictly less than the left.
            if (child + 1 <= size && lessThan(m_heap[child + 1], m_heap[child]))
                ++child;
            if (!lessThan(m_heap[child], node))
                break;
            path[depth++] = child;
            i = child;
        }
        int pos = 1;
        for (int k = 0; k < depth; ++k) {
            m_heap[pos] = m_heap[path[k]];
            pos = path[k];
        }
        m_heap[pos] = node;
        m_heap[m_curSize--] = nullptr;
        return result;
    }

    T top() const { return m_curSize > 0 ? m_heap[1] : nullptr; }
    int size() const { return m_curSize; }

    // The element at `pos` in storage (heap) order, not sorted.
    T getAt(int pos) const
    {
        CS_ASSERT_ARG(pos >= 0 && pos < m_curSize);
        return m_heap[pos + 1];
    }

    void clear()
    {
        for (int i = 1; i <= m_curSize; ++i) {
            if (m_deleteElements)
                delete m_heap[i];
            m_heap[i] = nullptr;
        }
        m_curSize = 0;
    }

protected:
    virtual bool lessThan(T a, T b) = 0;

private:
    T* m_heap = nullptr;
    int m_curSize = 0;
    bool m_deleteElements = true;
    int m_maxSize = 0;
};

} // namespace cs::utility
