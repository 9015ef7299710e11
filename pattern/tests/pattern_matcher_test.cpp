#include "pattern/pattern_matcher.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/encoding.h"

namespace tidewell::pattern {
namespace {

using platform::local;

struct EscapeCase {
    std::string text;
    std::string wildcard;
    std::string escaped;
    std::string keepBar;
};

TEST(PatternMatcher, EscapingHelpers) {
    const EscapeCase cases[] = {
        {"*.txt", ".*\\.txt", "\\*\\.txt", "\\*\\.txt"},
        {"a?c", "a.?c", "a\\?c", "a\\?c"},
        {"1+1=2?", "1\\+1\\=2.?", "1\\+1\\=2\\?", "1\\+1\\=2\\?"},
        {"a|b", "a|b", "a\\|b", "a|b"},
        {"\\d", "\\\\d", "\\\\d", "\\\\d"},
        {"say \"hi\"", "say \\\"hi\\\"", "say \\\"hi\\\"", "say \\\"hi\\\""},
        {"^$.{}[]()", "\\^\\$\\.\\{\\}\\[\\]\\(\\)", "\\^\\$\\.\\{\\}\\[\\]\\(\\)",
         "\\^\\$\\.\\{\\}\\[\\]\\(\\)"},
        {"aZ09-_ #", "aZ09-_ #", "aZ09-_ #", "aZ09-_ #"},
        {"", "", "", ""},
        // The second byte of a two-byte character is never a metacharacter.
        {"\x81\x5c\x81\x7c\x81\x5b?", "\x81\x5c\x81\x7c\x81\x5b.?", "\x81\x5c\x81\x7c\x81\x5b\\?",
         "\x81\x5c\x81\x7c\x81\x5b\\?"},
        {local("中文*"), local("中文") + ".*", local("中文") + "\\*", local("中文") + "\\*"},
    };
    for (const EscapeCase& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(PatternMatcher::WildcardToPattern(c.text), c.wildcard);
        EXPECT_EQ(PatternMatcher::EscapeText(c.text), c.escaped);
        EXPECT_EQ(PatternMatcher::EscapeKeepBar(c.text), c.keepBar);
    }
}

TEST(PatternMatcher, EscapedTextMatchesItselfLiterally) {
    PatternMatcher m;
    ASSERT_TRUE(m.CreateRegExp());
    const std::string text = local("价格(元)：1+1=2? [注] {x} ^$ a|b \\d \"引号\" *.*");
    ASSERT_TRUE(m.SetPattern(PatternMatcher::EscapeText(text)));
    ASSERT_EQ(m.Execute("<" + text + ">"), 1);
    EXPECT_EQ(m.MatchText(1), text);

    ASSERT_TRUE(m.SetPattern(PatternMatcher::EscapeKeepBar(local("甲.|乙?"))));
    EXPECT_EQ(m.Execute(local("甲. 乙? 甲x")), 2);

    std::string anchored = "^";
    anchored += PatternMatcher::WildcardToPattern("*.txt");
    anchored += "$";
    ASSERT_TRUE(m.SetPattern(anchored));
    EXPECT_EQ(m.Execute("a.txt\r\nb.TXT\r\nc.txt.bak\r\ndtxt"), 2);
}

TEST(PatternMatcher, SetPatternFlags) {
    PatternMatcher m;
    ASSERT_TRUE(m.CreateRegExp());
    EXPECT_TRUE(m.SetPattern("^a"));
    EXPECT_EQ(m.regex().flags(), kIgnoreCase | kMultiLine | kGlobal);
    EXPECT_EQ(m.Execute("a\nA"), 2);
    EXPECT_TRUE(m.SetPattern("^a", false));
    EXPECT_EQ(m.Execute("a\nA"), 1);
    EXPECT_TRUE(m.SetPattern("^a", true, false));
    EXPECT_EQ(m.Execute("A\na"), 1);
    EXPECT_TRUE(m.SetPattern("a", true, true, false));
    EXPECT_EQ(m.Execute("aAa"), 1);
    EXPECT_EQ(m.Replace("aAa", "b"), "bAa");
    EXPECT_EQ(m.GetPattern(), "a");
}

TEST(PatternMatcher, ReplaceWithoutReplacementDeletesEveryMatch) {
    PatternMatcher m;
    ASSERT_TRUE(m.CreateRegExp());
    m.SetPattern(local("[啊哦]"));
    EXPECT_EQ(m.Replace(local("啊，好的哦")), local("，好的"));
}

TEST(PatternMatcher, ForwardsMatchesAndSubMatches) {
    PatternMatcher m;
    ASSERT_TRUE(m.CreateRegExp());
    m.SetPattern("(\\w+)=(\\w+)");
    ASSERT_EQ(m.Execute("a=1; b=2"), 2);
    EXPECT_EQ(m.MatchCount(), 2);
    EXPECT_EQ(m.SubMatchCount(), 2);
    EXPECT_EQ(m.MatchText(2), "b=2");
    EXPECT_EQ(m.SubMatchText(2, 1), "b");
    EXPECT_EQ(m.SubMatchText(1, 2), "1");

    PatternMatcher copy = m;
    EXPECT_EQ(copy.MatchText(1), "a=1");
    EXPECT_EQ(copy.GetPattern(), "(\\w+)=(\\w+)");
}

struct BracketCase {
    const char* text;      // UTF-8
    const char* expected;  // UTF-8
};

// The collection run strips bracket codes (emoticons and the like) from comments with this
// pattern: only pairs with no bracket inside, and at least one character between them.
TEST(PatternMatcher, BracketCodesAreRemovedInnermostFirst) {
    const BracketCase cases[] = {
        {"好[微笑]的[哈哈]", "好的"}, {"[[微笑]]", "[]"}, {"[a[b]c]", "[ac]"}, {"[]空[", "[]空["},
        {"[多\r\n行]", ""},           {"[甲][乙]", ""},   {"a]b[c", "a]b[c"},
    };
    PatternMatcher m;
    ASSERT_TRUE(m.CreateRegExp());
    ASSERT_TRUE(m.SetPattern("\\[[^\\[\\]]+?\\]"));
    for (const BracketCase& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(m.Replace(local(c.text)), local(c.expected));
    }
}

}  // namespace
}  // namespace tidewell::pattern
