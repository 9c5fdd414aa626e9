// The queue between the collection and the barrel writer, with its worker
// and without: documents and steps come out in the order they went in, the
// prepared documents waiting stay within the byte bound, what the worker
// raised reaches the caller at its document, and a drain leaves nothing on
// the way.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>

#include "content/Content.h"
#include "index/IndexTestKit.h"
#include "index/writer/PrepareQueue.h"

namespace {

using cs::content::CContent;
using cs::index::CPrepareQueue;

const uint32_t kTextField = 0;

std::string TextOf(const CContent& document)
{
    const cs::content::CField* pField = document.findField(kTextField);
    return pField && pField->getType() == cs::content::CField::TEXT
               ? std::string(pField->getText(), pField->getTextLength())
               : std::string();
}

// Hands `text` over as the writer does: a free document, the oldest indexed
// first while there is none.
void HandOver(CPrepareQueue& queue, const CPrepareQueue::Work& index, const std::string& text)
{
    CContent* pDocument;
    while (!(pDocument = queue.freeDocument()))
        queue.indexNext(index, true);
    pDocument->setFieldText(kTextField, text.data(), text.size());
    queue.handOver(*pDocument);
}

// Whether `done` came true within a minute (a guard against a hang, not a
// measure of speed).
template <class Condition>
bool Eventually(Condition done)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::yield();
    }
    return true;
}

} // namespace

// A script of documents ('d') and steps ('s'), every document prepared and
// indexed in turn, whatever was ready when the next item came.
TEST(PrepareQueue, DocumentsAndStepsKeepTheirOrder)
{
    const struct {
        bool worker;
        const char* script;
    } cases[] = {
        {true, "dddddddddd"}, {true, "sdsdsdsdss"}, {true, "ssddddsdddddds"}, {true, "s"},
        {false, "dddd"},      {false, "sdsdss"},    {false, "ddssdd"},
    };
    for (const auto& test : cases) {
        std::string prepared, indexed;
        CPrepareQueue queue(cs::test::DefaultMode(), [&](CContent& document) { prepared += TextOf(document); },
                            test.worker, {3, 1 << 20});
        CPrepareQueue::Work index = [&](CContent& document) { indexed += TextOf(document); };
        std::string expected;
        int number = 0;
        for (const char* item = test.script; *item; ++item) {
            std::string label = std::string(1, *item) + std::to_string(number++) + " ";
            expected += label;
            if (*item == 'd') {
                HandOver(queue, index, label);
                while (queue.indexNext(index, false)) {
                }
            } else {
                queue.addStep([&indexed, label] { indexed += label; });
            }
        }
        queue.drain(index);
        EXPECT_EQ(indexed, expected) << test.script;
        std::string documents;
        for (size_t at = 0; at < expected.size(); at = expected.find(' ', at) + 1) {
            if (expected[at] == 'd')
                documents += expected.substr(at, expected.find(' ', at) + 1 - at);
        }
        EXPECT_EQ(prepared, documents) << test.script;
        EXPECT_FALSE(queue.onTheWay());
    }
}

// Four documents of a quarter of the bound fill it. While the caller holds
// the first, the worker prepares the next four; starting one, it never has
// more than three prepared ones waiting. (The caller counts a document as
// taken just before it takes it.)
TEST(PrepareQueue, PreparedDocumentsWaitingStayWithinTheByteBound)
{
    const size_t bound = 1 << 20;
    const std::string text(bound / 4, 'x');
    std::atomic<int> prepared{0}, taken{0}, mostWaiting{0};
    CPrepareQueue queue(
        cs::test::DefaultMode(),
        [&](CContent& document) {
            int waiting = prepared.load() - taken.load();
            if (waiting > mostWaiting.load())
                mostWaiting.store(waiting);
            document.setFieldText(kTextField, text.data(), text.size());
            ++prepared;
        },
        true, {16, bound});
    int indexed = 0;
    bool workerRanAhead = false;
    CPrepareQueue::Work index = [&](CContent&) {
        if (indexed++ == 0)
            workerRanAhead = Eventually([&] { return prepared.load() >= 5; });
    };
    for (int i = 0; i < 16; ++i)
        HandOver(queue, index, "");
    do
        ++taken;
    while (queue.indexNext(index, true));
    EXPECT_TRUE(workerRanAhead);
    EXPECT_EQ(mostWaiting.load(), 3);
    EXPECT_EQ(indexed, 16);
}

// The third document's preparation raises: the step before it runs, the
// exception comes where its document would be indexed, and the documents
// after it go on.
TEST(PrepareQueue, WhatPreparationRaisesReachesTheCallerAtItsDocument)
{
    for (bool worker : {true, false}) {
        CPrepareQueue queue(
            cs::test::DefaultMode(),
            [](CContent& document) {
                if (TextOf(document) == "3")
                    throw std::runtime_error("document 3 cannot be parsed");
            },
            worker, {8, 1 << 20});
        std::string indexed;
        CPrepareQueue::Work index = [&](CContent& document) { indexed += TextOf(document) + " "; };
        for (const char* text : {"1", "2", "s", "3", "4", "5"}) {
            if (*text == 's')
                queue.addStep([&] { indexed += "s "; });
            else
                HandOver(queue, index, text);
        }
        EXPECT_TRUE(queue.indexNext(index, true));
        EXPECT_TRUE(queue.indexNext(index, true));
        try {
            queue.indexNext(index, true);
            ADD_FAILURE() << "no exception at document 3";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "document 3 cannot be parsed");
        }
        queue.drain(index);
        EXPECT_EQ(indexed, "1 2 s 4 5 ") << (worker ? "worker" : "calling thread");
    }
}

// A drain indexes what is on the way and runs the steps after it; a queue
// destroyed with documents on the way forgets them.
TEST(PrepareQueue, ADrainLeavesNothingOnTheWay)
{
    int indexed = 0, steps = 0;
    CPrepareQueue::Work index = [&](CContent&) { ++indexed; };
    {
        CPrepareQueue queue(cs::test::DefaultMode(), [](CContent&) {}, true, {4, 1 << 20});
        for (int i = 0; i < 4; ++i)
            HandOver(queue, index, "");
        queue.addStep([&] { ++steps; });
        queue.addStep([&] { ++steps; });
        EXPECT_TRUE(queue.onTheWay());
        queue.drain(index);
        EXPECT_FALSE(queue.onTheWay());
        EXPECT_EQ(indexed, 4);
        EXPECT_EQ(steps, 2);
    }
    {
        CPrepareQueue queue(cs::test::DefaultMode(), [](CContent&) {}, true, {4, 1 << 20});
        for (int i = 0; i < 4; ++i)
            HandOver(queue, index, "");
    }
    EXPECT_EQ(indexed, 4);
}
