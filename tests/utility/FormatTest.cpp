#include <gtest/gtest.h>

#include "utility/Format.h"

using cs::utility::Format;
using cs::utility::FormatAppendV;

namespace {
std::string& Append(std::string& target, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    FormatAppendV(target, format, args);
    va_end(args);
    return target;
}
} // namespace

TEST(Format, AppendsLongTextsWhole)
{
    for (size_t length : {4095u, 4096u, 10000u}) {
        std::string text(length, 'a');
        text.back() = 'z';
        EXPECT_EQ(Format("%s", text.c_str()), text);
        std::string target = "x";
        EXPECT_EQ(Append(target, "%s", text.c_str()), "x" + text);
        EXPECT_EQ(Append(target, "-%d", 7), "x" + text + "-7");
    }
}
