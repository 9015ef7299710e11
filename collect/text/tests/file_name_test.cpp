#include "collect/text/file_name.h"

#include <gtest/gtest.h>

#include "platform/encoding.h"

namespace tidewell::text {
namespace {

using platform::local;

TEST(CleanFileName, MakesTheTextUsableAsAFileName) {
    struct Case {
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        {local("为什么?\r\n结果"), local("为什么？结果")},
        {"a\\b/c:d*e?f|g<h>i", local("a＼b／c：d＊e？f｜g＜h＞i")},
        {"\"quoted\"\ttab\rcr\nlf", "quotedtabcrlf"},
        {"  keep spaces  ", "  keep spaces  "},
        {"", ""},
        // "\x95\x5C" and "\x95|" are characters whose second byte looks like \ or |.
        {"\x95\\x\x95|", "\x95\\x\x95|"},
        // A broken character never hides a slash.
        {"\xB0/..", std::string("\xB0").append(local("／.."))},
        {"x\xB0", "x\xB0"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CleanFileName(c.text), c.expected) << platform::utf8FromLocal(c.text);
    }
}

}  // namespace
}  // namespace tidewell::text
