#include "collect/text/count_chars.h"

#include <gtest/gtest.h>

#include "platform/encoding.h"

namespace tidewell::text {
namespace {

using platform::local;

TEST(CountChars, CountsCharactersAndLineBreaks) {
    struct Case {
        std::string text;
        int expected;
    };
    const Case cases[] = {
        {local("新闻网\r\na"), 5},
        {"", 0},
        {"abc", 3},
        {"\r\n\r\n", 2},
        {"\r\r\n\n", 3},
        {"a\n\rb", 4},
        {"x\xB0", 2},                   // a lone first byte at the end
        {local("😀a"), 2},               // four bytes in GB18030, one character
        {local("中") + "\x30\x31", 3},  // a GBK pair followed by two ASCII digits
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CountChars(c.text), c.expected) << platform::utf8FromLocal(c.text);
    }
}

}  // namespace
}  // namespace tidewell::text
