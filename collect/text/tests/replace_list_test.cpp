#include "collect/text/replace_list.h"

#include <gtest/gtest.h>

#include "platform/encoding.h"

namespace tidewell::text {
namespace {

using platform::local;

TEST(ReplaceAll, ReplacesEveryOccurrenceWithoutRescanning) {
    EXPECT_EQ(ReplaceAll("aaa", "a", "aa", false), "aaaaaa");
    EXPECT_EQ(ReplaceAll("aXa", "x", "-", true), "a-a");
    EXPECT_EQ(ReplaceAll("aXa", "x", "-", false), "aXa");
    EXPECT_EQ(ReplaceAll("abc", "", "-", false), "abc");
    EXPECT_EQ(ReplaceAll("", "a", "-", false), "");
    // 中文 holds D0 CE across its two characters: not a match.
    EXPECT_EQ(ReplaceAll("\xD6\xD0\xCE\xC4\xD0\xCE", "\xD0\xCE", "!", false), "\xD6\xD0\xCE\xC4!");
}

TEST(ReplaceList, ReplacesTagAfterTag) {
    struct Case {
        const char* name;
        std::string text;
        std::string tags;
        std::string values;
        std::string separator;
        bool ignoreCase;
        std::string expected;
    };
    const Case cases[] = {
        {"missing value is empty", "abab", "a|b", "1", "|", true, "11"},
        {"surplus values dropped", "ab", "a", "1|2|3", "|", true, "1b"},
        {"empty separator is a bar", "ab", "a|b", "1|2", "", true, "12"},
        {"other separator", "a|b", "a,b", "1,2", ",", true, "1|2"},
        {"case ignored by default", "A a", "a", "x", "|", true, "x x"},
        {"case respected", "A a", "a", "x", "|", false, "A x"},
        {"later tags see earlier results", "a", "a|b", "b|c", "|", true, "c"},
        {"empty tag changes nothing", "ab", "|b", "x|y", "|", true, "ay"},
        {"template tags", local("#昵称#：#评论#"), local("#评论#|#昵称#"), local("好|张三"), "|",
         true, local("张三：好")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReplaceList(c.text, c.tags, c.values, c.separator, c.ignoreCase), c.expected)
            << c.name;
    }
}

}  // namespace
}  // namespace tidewell::text
