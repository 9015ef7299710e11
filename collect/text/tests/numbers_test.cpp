#include "collect/text/numbers.h"

#include <gtest/gtest.h>

#include <climits>

#include "platform/encoding.h"

namespace tidewell::text {
namespace {

using platform::local;

TEST(FullWidthToAscii, TurnsFullWidthFormsIntoAscii) {
    EXPECT_EQ(FullWidthToAscii(local("１２３ａＢ！～＄")), "123aB!~$");
    EXPECT_EQ(FullWidthToAscii(local("　５")), " 5");
    EXPECT_EQ(FullWidthToAscii(local("全部12")), local("全部12"));
    EXPECT_EQ(FullWidthToAscii(""), "");
    // A lone first byte at the end stays.
    EXPECT_EQ(FullWidthToAscii("1\xA3"), "1\xA3");
}

TEST(LeadingInteger, ReadsTheLeadingNumber) {
    struct Case {
        std::string text;
        int expected;
    };
    const Case cases[] = {
        {"12", 12},
        {"  7 pages", 7},
        {"-3", -3},
        {"+4", 4},
        {"12ab34", 12},
        {"", 0},
        {"abc", 0},
        {"- 3", 0},
        {local("全部"), 0},
        {local("１０"), 10},
        {local("　３０页"), 30},
        {"99999999999999999999", INT_MAX},
        {"-99999999999999999999", INT_MIN},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LeadingInteger(c.text), c.expected) << c.text;
    }
}

TEST(LeadingNumber, ReadsTheLeadingDecimal) {
    struct Case {
        std::string text;
        double expected;
    };
    const Case cases[] = {
        {"0.5", 0.5},       {" 2.25s", 2.25},
        {".5", 0.5},        {"5.", 5},
        {"-1.5", -1.5},     {"", 0},
        {".", 0},           {"x1", 0},
        {local("３"), 3},   {local("０．５"), 0.5},
        {local("全部"), 0}, {"1e3", 1},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(LeadingNumber(c.text), c.expected) << c.text;
    }
}

}  // namespace
}  // namespace tidewell::text
