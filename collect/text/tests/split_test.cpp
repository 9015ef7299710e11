#include "collect/text/split.h"

#include <gtest/gtest.h>

#include "platform/encoding.h"

namespace tidewell::text {
namespace {

using platform::local;
using Members = std::vector<std::string_view>;

TEST(SplitText, KeepsInnerEmptyMembersButNoneAfterAFinalSeparator) {
    struct Case {
        std::string text;
        std::string separator;
        Members expected;
    };
    const Case cases[] = {
        {"a|b|c", "|", {"a", "b", "c"}},
        {"a||c", "|", {"a", "", "c"}},
        {"a|b|", "|", {"a", "b"}},
        {"a||", "|", {"a", ""}},
        {"|a", "|", {"", "a"}},
        {"|", "|", {""}},
        {"", "|", {}},
        {"abc", "", {"abc"}},
        {"x\r\ny\r\n\r\nz", "\r\n", {"x", "y", "", "z"}},
        {"aXbxc", "x", {"aXb", "c"}},
        // "\xB0|" is one character: its "|" is not a separator.
        {"a\xB0|b|c", "|", {"a\xB0|b", "c"}},
        // D0 CE spans the two characters of "中文" and is no separator there.
        {"\xD6\xD0\xCE\xC4|\xD0\xCE|x", "\xD0\xCE", {"\xD6\xD0\xCE\xC4|", "|x"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SplitText(c.text, c.separator), c.expected) << c.text;
    }
}

TEST(TrimBlanks, RemovesAsciiAndIdeographicSpaces) {
    EXPECT_EQ(TrimBlanks(local(" 　 a b　 ")), "a b");
    EXPECT_EQ(TrimBlanks(local("　　")), "");
    EXPECT_EQ(TrimBlanks(""), "");
    EXPECT_EQ(TrimBlanks("\tx\t"), "\tx\t");
    // The last A1 A1 bytes here are the second byte of B0 A1 and a lone A1: no ideographic space.
    EXPECT_EQ(TrimBlanks("\xB0\xA1\xA1"), "\xB0\xA1\xA1");
    EXPECT_EQ(TrimBlanks("\xB0\xA1\xA1\xA1 "), "\xB0\xA1");
}

}  // namespace
}  // namespace tidewell::text
