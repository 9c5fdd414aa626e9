#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "utility/Error.h"
#include "utility/Logger.h"

TEST(ThrowError, RuntimeErrorCarriesSourceLocation)
{
    try {
        cs::utility::ThrowError(cs::utility::ErrorSite{1, "x", 7}, "failed to parse %s", "a.xml");
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "failed to parse a.xml (file: x line: 7)");
    }
}

TEST(ThrowError, AssertionFormsAreLogicErrors)
{
    int* pConfigurator = nullptr;
    EXPECT_THROW(CS_ASSERT(pConfigurator), std::logic_error);
    try {
        CS_ASSERT_ARG(pConfigurator != nullptr);
    } catch (const std::logic_error& e) {
        EXPECT_NE(std::string(e.what()).find("INVALID ARGUMENT: pConfigurator != nullptr (file: ErrorTest.cpp line:"),
                  std::string::npos);
    }
}
