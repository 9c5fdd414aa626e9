#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <stdexcept>
#include <vector>

#include "support/TestSupport.h"
#include "utility/PriorityQueue.h"

namespace {

using cs::test::RaisedMessage;

struct Item {
    int key;
    int tag;
    int* deletions;
    ~Item()
    {
        if (deletions)
            ++*deletions;
    }
};

class CItemQueue : public cs::utility::CPriorityQueue<Item*> {
public:
    bool refuse = false;

protected:
    bool lessThan(Item* a, Item* b) override
    {
        if (refuse)
            throw std::runtime_error("no order");
        return a->key < b->key;
    }
};

TEST(PriorityQueue, PopsInKeyOrderAndChecksItsBounds)
{
    CItemQueue queue;
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { queue.initialize(0); }), "INVALID ARGUMENT: maxSize >= 1");
    queue.initialize(64);
    EXPECT_EQ(queue.pop(), nullptr);
    EXPECT_EQ(queue.top(), nullptr);
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { queue.put(nullptr); }), "INVALID ARGUMENT: e != NULL");

    std::mt19937 random(7);
    std::vector<int> keys;
    int deletions = 0;
    for (int i = 0; i < 64; ++i) {
        keys.push_back(static_cast<int>(random() % 20) - 10);
        queue.put(new Item{keys.back(), i, &deletions});
    }
    Item extra{0, 0, nullptr};
    EXPECT_EQ(RaisedMessage<std::runtime_error>([&] { queue.put(&extra); }), "put error,the queue is full!");
    EXPECT_EQ(queue.size(), 64);
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { queue.getAt(64); }),
              "INVALID ARGUMENT: pos >= 0 && pos < m_curSize");
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { queue.getAt(-1); }),
              "INVALID ARGUMENT: pos >= 0 && pos < m_curSize");
    EXPECT_EQ(queue.getAt(0), queue.top());

    std::sort(keys.begin(), keys.end());
    for (int expected : keys) {
        Item* item = queue.pop();
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->key, expected);
        delete item;
    }
    EXPECT_EQ(queue.size(), 0);
    EXPECT_EQ(deletions, 64);
}

TEST(PriorityQueue, EqualKeysNeverSwapAndClearDeletesTheElements)
{
    // With every key equal the heap is never reordered: pops move the last
    // element to the top, so storage order decides.
    CItemQueue queue;
    queue.initialize(4);
    int deletions = 0;
    for (int tag = 0; tag < 4; ++tag)
        queue.put(new Item{5, tag, &deletions});
    for (int pos = 0; pos < 4; ++pos)
        EXPECT_EQ(queue.getAt(pos)->tag, pos);
    Item* first = queue.pop();
    EXPECT_EQ(first->tag, 0);
    EXPECT_EQ(queue.top()->tag, 3);
    delete first;

    queue.clear();
    EXPECT_EQ(deletions, 4);
    EXPECT_EQ(queue.size(), 0);

    // A queue told to keep its elements leaves them to their owner.
    Item kept{1, 0, &deletions};
    {
        CItemQueue borrowing;
        borrowing.setDeleteElements(false);
        borrowing.initialize(1);
        borrowing.put(&kept);
    }
    EXPECT_EQ(deletions, 4);
}

TEST(PriorityQueue, AnOrderThatRaisesLeavesTheQueueAsItWas)
{
    int deletions = 0;
    CItemQueue queue;
    queue.initialize(8);
    for (int key : {4, 2, 6, 1, 5})
        queue.put(new Item{key, key, &deletions});
    queue.refuse = true;
    Item late{0, 0, nullptr};
    EXPECT_THROW(queue.put(&late), std::runtime_error);
    EXPECT_THROW(queue.pop(), std::runtime_error);
    queue.refuse = false;
    EXPECT_EQ(queue.size(), 5);
    for (int key : {1, 2, 4, 5, 6}) {
        std::unique_ptr<Item> pItem(queue.pop());
        EXPECT_EQ(pItem->key, key);
    }
    EXPECT_EQ(deletions, 5);
}

TEST(PriorityQueue, DestructorDeletesWhatIsLeft)
{
    int deletions = 0;
    {
        CItemQueue queue;
        queue.initialize(3);
        queue.put(new Item{2, 0, &deletions});
        queue.put(new Item{1, 1, &deletions});
        // Reinitialising drops the old contents the same way.
        queue.initialize(2);
        EXPECT_EQ(deletions, 2);
        queue.put(new Item{3, 2, &deletions});
    }
    EXPECT_EQ(deletions, 3);
}

} // namespace
