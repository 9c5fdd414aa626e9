#include <gtest/gtest.h>

#include "utility/Format.h"

using cs::utility::Format;

TEST(Format, AppendsLongTextsWhole)
{
    for (size_t length : {4095u, 4096u, 10000u}) {
        std::string target = "x";
        std::string text(length, 'a');
        EXPECT_EQ(Format("%s", text.c_str()).size(), length);
    }
}
