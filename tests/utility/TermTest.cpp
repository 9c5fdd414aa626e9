#include <gtest/gtest.h>

#include <memory>

#include "support/TestSupport.h"
#include "utility/Term.h"

namespace {

using cs::test::RaisedMessage;
using cs::utility::CTerm;
using cs::utility::CTermT;

TEST(Term, ComparesBySignedValueOnly)
{
    CTermT<int> minus7("type", -7), three("user", 3), alsoThree("type", 3);
    EXPECT_EQ(minus7.compare(three), -1);
    EXPECT_EQ(three.compare(minus7), 1);
    EXPECT_EQ(three.compare(alsoThree), 0);   // the field names take no part
    EXPECT_TRUE(minus7 < three);
    EXPECT_TRUE(three == alsoThree);
    CTermT<int> high("crc", static_cast<int>(0xCBF43926u));
    EXPECT_TRUE(high < three);   // a crc of 80000000 and above is negative
}

TEST(Term, CloneAndAssignCopyNameAndValue)
{
    CTermT<int> term("text", 42);
    std::unique_ptr<CTerm> pCopy(term.clone());
    auto& copy = dynamic_cast<CTermT<int>&>(*pCopy);
    EXPECT_EQ(copy.getField(), "text");
    EXPECT_EQ(copy.get(), 42);

    CTermT<int> target;
    target.assign(term);
    EXPECT_EQ(target.getField(), "text");
    EXPECT_EQ(target.get(), 42);
}

TEST(Term, OtherKindsOfTermAreRefused)
{
    CTermT<int> term("text", 1);
    CTermT<long long> other("text", 1);
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { term.assign(other); }),
              "INVALID ARGUMENT: dynamic_cast<const CTermT *>(rhs) != NULL");
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { term.compare(other); }),
              "INVALID ARGUMENT: dynamic_cast<const CTermT *>(rhs) != NULL");
}

// A term of a derived kind is still a term of its base kind: the quick exact
// type check must not refuse it.
class CTaggedTerm : public CTermT<int> {
public:
    CTaggedTerm(const std::string& field, int value) : CTermT<int>(field, value) {}
};

TEST(Term, DerivedKindsCompareAndAssignAsTheirBase)
{
    CTermT<int> term("text", 5);
    CTaggedTerm smaller("date", 2), equal("text", 5);
    EXPECT_EQ(term.compare(smaller), 1);
    EXPECT_EQ(smaller.compare(term), -1);
    EXPECT_TRUE(term == equal);
    term.assign(smaller);
    EXPECT_EQ(term.getField(), "date");
    EXPECT_EQ(term.get(), 2);
}

} // namespace
