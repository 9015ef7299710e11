#include "pattern/regex_object.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/encoding.h"

namespace tidewell::pattern {
namespace {

using platform::local;

RegexObject created() {
    RegexObject regex;
    EXPECT_TRUE(regex.CreateRegExp());
    return regex;
}

TEST(RegexObject, DefaultsIgnoreCaseMultiLineGlobal) {
    RegexObject regex = created();
    EXPECT_EQ(regex.flags(), 0);
    EXPECT_TRUE(regex.SetPattern("a"));
    EXPECT_EQ(regex.flags(), kIgnoreCase | kMultiLine | kGlobal);
    EXPECT_EQ(regex.Execute("AaA"), 3);
    EXPECT_EQ(regex.MatchCount(), 3);
    EXPECT_EQ(regex.MatchText(1), "A");
    EXPECT_EQ(regex.MatchText(2), "a");
}

TEST(RegexObject, CaseSensitiveFirstMatchOnly) {
    RegexObject regex = created();
    EXPECT_TRUE(regex.SetPattern("a", true, false, true));
    EXPECT_EQ(regex.flags(), kMultiLine);
    EXPECT_EQ(regex.Execute("AaA"), 1);
    EXPECT_EQ(regex.MatchText(1), "a");
    EXPECT_EQ(regex.Replace("aaa", "b"), "baa");
}

TEST(RegexObject, SamePatternAndFlagsCompileOnce) {
    RegexObject regex = created();
    regex.SetPattern("a+");
    const int compiles = regex.compileCount();
    regex.SetPattern("a+");
    regex.Execute("aaa");
    regex.Replace("aaa", "b");
    regex.Test("aaa");
    EXPECT_EQ(regex.compileCount(), compiles);
    regex.SetPattern("a+", true);
    EXPECT_EQ(regex.compileCount(), compiles + 1);
}

TEST(RegexObject, EmptyPatternChangesOnlyTheFlags) {
    RegexObject regex = created();
    regex.SetPattern("a");
    EXPECT_TRUE(regex.SetPattern("", true));
    EXPECT_EQ(regex.GetPattern(), "a");
    EXPECT_EQ(regex.flags(), kMultiLine | kGlobal);
    EXPECT_EQ(regex.Execute("AaA"), 1);
}

TEST(RegexObject, MatchNumbersOutsideTheMatchesGiveEmptyValues) {
    RegexObject regex = created();
    EXPECT_EQ(regex.MatchText(1), "");
    EXPECT_EQ(regex.MatchCount(), 0);
    EXPECT_EQ(regex.SubMatchCount(), 0);
    regex.SetPattern("b");
    ASSERT_EQ(regex.Execute("abc"), 1);
    EXPECT_EQ(regex.MatchText(0), "");
    EXPECT_EQ(regex.MatchText(-1), "");
    EXPECT_EQ(regex.MatchText(2), "");
    EXPECT_EQ(regex.MatchText(1, 1), "");
    EXPECT_EQ(regex.MatchLength(2), 0);
    EXPECT_EQ(regex.MatchByteLength(0), 0);
    EXPECT_EQ(regex.MatchValue(2, 0), std::nullopt);
}

TEST(RegexObject, LengthsInCodeUnitsAndLocalBytes) {
    RegexObject regex = created();
    regex.SetPattern(local("中文"));
    ASSERT_EQ(regex.Execute(local("说中文吧")), 1);
    EXPECT_EQ(regex.MatchText(1), local("中文"));
    EXPECT_EQ(regex.MatchLength(1), 2);
    EXPECT_EQ(regex.MatchByteLength(1), 4);

    // One character beyond U+FFFF: two code units, four bytes of local text.
    regex.SetPattern(local("x."));
    ASSERT_EQ(regex.Execute(local("ax𠀀b")), 1);
    EXPECT_EQ(regex.MatchText(1), local("x𠀀"));
    EXPECT_EQ(regex.MatchLength(1), 3);
    EXPECT_EQ(regex.MatchByteLength(1), 5);
}

TEST(RegexObject, SubMatches) {
    RegexObject regex = created();
    regex.SetPattern(local("(\\d+)(号)?"));
    ASSERT_EQ(regex.Execute(local("12号 和 345")), 2);
    EXPECT_EQ(regex.SubMatchCount(), 2);
    EXPECT_EQ(regex.MatchValue(1, 0), local("12号"));
    EXPECT_EQ(regex.SubMatchText(1, 1), "12");
    EXPECT_EQ(regex.SubMatchText(1, 2), local("号"));
    EXPECT_EQ(regex.MatchLength(1, 2), 1);
    EXPECT_EQ(regex.MatchByteLength(1, 2), 2);
    EXPECT_EQ(regex.MatchText(2, 1), "345");
    // A group that took no part has no value, and reads as the empty text.
    EXPECT_EQ(regex.MatchValue(2, 2), std::nullopt);
    EXPECT_EQ(regex.SubMatchText(2, 2), "");
    EXPECT_EQ(regex.MatchLength(2, 2), 0);
    EXPECT_EQ(regex.SubMatchText(1, 3), "");
}

TEST(RegexObject, ReplaceWithoutReplacementDeletesEveryMatch) {
    RegexObject regex = created();
    regex.SetPattern("b");
    EXPECT_EQ(regex.Replace("abcBd"), "acd");
}

TEST(RegexObject, ReplacementIsPlainText) {
    RegexObject regex = created();
    regex.SetPattern("(b)");
    EXPECT_EQ(regex.Replace("abc", "$1$&\\1"), "a$1$&\\1c");
}

TEST(RegexObject, ReplaceWithPatternSetsItFirst) {
    RegexObject regex = created();
    regex.SetPattern("a");
    EXPECT_EQ(regex.Replace("AaB", "-", "b", true), "AaB");
    EXPECT_EQ(regex.GetPattern(), "b");
    EXPECT_EQ(regex.flags(), kMultiLine | kGlobal);
    // Given empty, the pattern stays and only the flags change.
    EXPECT_EQ(regex.Replace("bBb", "-", std::string_view()), "---");
    EXPECT_EQ(regex.GetPattern(), "b");
}

TEST(RegexObject, ReplaceAndTestLeaveTheKeptMatches) {
    RegexObject regex = created();
    regex.SetPattern("x");
    ASSERT_EQ(regex.Execute("xx"), 2);
    regex.Replace("xxx", "y");
    EXPECT_TRUE(regex.Test("x"));
    regex.SetPattern("z");
    EXPECT_EQ(regex.MatchCount(), 2);
    EXPECT_EQ(regex.MatchText(2), "x");
}

TEST(RegexObject, SearchSetsThePatternAndExecutes) {
    RegexObject regex = created();
    EXPECT_EQ(regex.Search("o", "foo boo"), 4);
    EXPECT_EQ(regex.GetPattern(), "o");
    EXPECT_EQ(regex.Search("O", "foo boo", true), 0);
}

// An invalid pattern, a pattern that runs into the engine's limits and a missing engine all
// give the empty values, and Execute then keeps an empty match collection.
TEST(RegexObject, FailuresGiveEmptyValues) {
    RegexObject regex = created();
    regex.SetPattern("a");
    ASSERT_EQ(regex.Execute("a"), 1);

    EXPECT_FALSE(regex.SetPattern("["));
    EXPECT_EQ(regex.GetPattern(), "[");
    EXPECT_EQ(regex.Execute("[a]"), 0);
    EXPECT_EQ(regex.MatchCount(), 0);
    EXPECT_EQ(regex.MatchText(1), "");
    EXPECT_FALSE(regex.Test("[a]"));
    EXPECT_EQ(regex.Replace("[a]", "x"), "");

    EXPECT_TRUE(regex.SetPattern("(a+)+$"));
    EXPECT_EQ(regex.Execute(std::string(40, 'a') + "b"), 0);
    EXPECT_FALSE(regex.Test(std::string(40, 'a') + "b"));

    RegexObject bare;
    EXPECT_FALSE(bare.hasEngine());
    EXPECT_FALSE(bare.SetPattern("a"));
    EXPECT_EQ(bare.GetPattern(), "a");
    EXPECT_EQ(bare.Execute("a"), 0);
    EXPECT_FALSE(bare.Test("a"));
    EXPECT_EQ(bare.Replace("a", "b"), "");
    EXPECT_EQ(bare.compileCount(), 0);
}

TEST(RegexObject, CopiesShareTheKeptMatchesUntilTheNextExecute) {
    RegexObject regex = created();
    regex.SetPattern("\\d");
    ASSERT_EQ(regex.Execute("1 2 3"), 3);
    RegexObject copy = regex;
    EXPECT_EQ(copy.MatchCount(), 3);
    EXPECT_EQ(copy.MatchText(3), "3");
    EXPECT_EQ(copy.Execute("4"), 1);
    EXPECT_EQ(regex.MatchCount(), 3);
}

TEST(RegexObject, CopiesShareTheEngineButKeepTheirOwnPattern) {
    RegexObject regex = created();
    regex.SetPattern("a");
    RegexObject copy = regex;
    copy.SetPattern("b");
    EXPECT_EQ(copy.GetPattern(), "b");
    EXPECT_EQ(regex.GetPattern(), "a");
    // The shared engine now holds "b" ...
    EXPECT_EQ(regex.Execute("abb"), 2);
    // ... and setting "a" again really sets it, though this object's own copy says "a".
    regex.SetPattern("a");
    EXPECT_EQ(regex.Execute("abb"), 1);
}

struct DialectCase {
    const char* pattern;  // UTF-8
    const char* text;     // UTF-8
    bool singleLine;
    int matches;
    const char* firstMatch;
};

// The constructs of the patterns the program uses.
TEST(RegexObject, Dialect) {
    const DialectCase cases[] = {
        {"[a-c]+", "xabcyb", false, 2, "abc"},
        {"[^0-9 ]+", "12 ab 3c", false, 2, "ab"},
        {"[\\[\\]\\?]", "a[b]?", false, 3, "["},
        {"\\s+", "a \t\r\nb", false, 1, " \t\r\n"},
        {"\\S+", "ab  c", false, 2, "ab"},
        {"a+?", "aaa", false, 3, "a"},
        {"<.+?>", "<b>x</b>", false, 2, "<b>"},
        {"cat|dog", "dog cat", false, 2, "dog"},
        {"^x", "x\r\nx\nx", false, 3, "x"},
        {"^x", "x\r\nx\nx", true, 1, "x"},
        {"x$", "ax\r\nbx", false, 2, "x"},
        {"x$", "ax\r\nbx", true, 1, "x"},
        {"x$", "x\n", true, 0, ""},
        {"\\r\\n", "a\r\nb\r\n", false, 2, "\r\n"},
        {".", "中a", false, 2, "中"},
        {"[。，]", "甲。乙，丙", false, 2, "。"},
        {"[^，]+", "甲。乙，丙", false, 2, "甲。乙"},
        {"好+", "好好 好", false, 2, "好好"},
    };
    RegexObject regex = created();
    for (const DialectCase& c : cases) {
        SCOPED_TRACE(std::string(c.pattern) + " on " + c.text);
        ASSERT_TRUE(regex.SetPattern(local(c.pattern), false, c.singleLine));
        EXPECT_EQ(regex.Execute(local(c.text)), c.matches);
        EXPECT_EQ(regex.MatchText(1), local(c.firstMatch));
    }
}

TEST(RegexObject, EmptyMatchesStepOverWholeCharacters) {
    RegexObject regex = created();
    regex.SetPattern("x*");
    EXPECT_EQ(regex.Execute("abc"), 4);
    EXPECT_EQ(regex.Replace(local("a𠀀中"), "-"), local("-a-𠀀-中-"));
    EXPECT_EQ(regex.Replace("axxb", "-"), "-a--b-");
}

TEST(RegexObject, BytesWithoutLocalMeaningDoNotStopMatching) {
    RegexObject regex = created();
    regex.SetPattern("b");
    EXPECT_EQ(regex.Execute("a\xff"
                            "b\x81"),
              1);
    EXPECT_EQ(regex.MatchText(1), "b");
}

TEST(RegexObject, ReplaceWithoutMatchesGivesTheTextBack) {
    RegexObject regex = created();
    regex.SetPattern("q");
    const std::string text = local("没有") + "\xff";
    EXPECT_EQ(regex.Replace(text, "x"), text);
}

}  // namespace
}  // namespace tidewell::pattern
