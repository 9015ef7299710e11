#include "collect/text/text_between.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/encoding.h"

namespace tidewell::text {
namespace {

using platform::local;
constexpr size_t npos = std::string_view::npos;

// GBK bytes: 中 D6D0, 文 CEC4, so "中文" holds the pair D0 CE across its two characters.
// B0 5B is one character whose second byte is "["; 81 61 one whose second byte is "a".
const std::string kZhongWen = "\xD6\xD0\xCE\xC4";

TEST(FindText, FindsOnlyAtCharacterStarts) {
    struct Case {
        const char* name;
        std::string hay;
        std::string needle;
        size_t from;
        bool ignoreCase;
        size_t expected;
    };
    const Case cases[] = {
        {"plain", "abcabc", "ca", 0, false, 2},
        {"from", "abcabc", "abc", 1, false, 3},
        {"from at end", "abc", "c", 3, false, npos},
        {"from beyond", "abc", "a", 9, false, npos},
        {"empty needle", "abc", "", 0, false, npos},
        {"needle longer", "ab", "abc", 0, false, npos},
        {"case respected", "xABC", "abc", 0, false, npos},
        {"case ignored", "xABC", "abc", 0, true, 1},
        {"case ignored, mixed needle", "x\"TITLE\": ", "\"title\": ", 0, true, 1},
        {"pair across two characters", kZhongWen, "\xD0\xCE", 0, false, npos},
        {"pair across two characters, then real", kZhongWen + "\xD0\xCE", "\xD0\xCE", 0, false, 4},
        {"from inside a character", kZhongWen, "\xD0\xCE", 1, false, npos},
        {"from inside a character, ignoring case", kZhongWen, "\xD0\xCE", 1, true, npos},
        {"second byte is the needle", "\xB0[b]", "[", 0, false, npos},
        {"second byte, then real", "\xB0[b][", "[", 0, false, 4},
        {"letter second byte, case ignored", "\x81\x61xa", "A", 0, true, 3},
        {"letter second byte, case kept", "\x81\x61xa", "a", 0, false, 3},
        {"second bytes never fold", "\xB0\x61", "\xB0\x41", 0, true, npos},
        {"two-byte needle", "a" + kZhongWen, kZhongWen.substr(2), 0, true, 3},
        {"long run of two-byte characters", std::string(1000, '\xB0') + "\xB0x", "x", 0, false,
         npos},
        {"long even run of two-byte characters", std::string(1000, '\xB0') + "x", "x", 0, false,
         1000},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FindText(c.hay, c.needle, c.from, c.ignoreCase), c.expected) << c.name;
    }
}

TEST(QuoteMarks, TurnsApostrophePairsIntoDoubleQuotes) {
    EXPECT_EQ(QuoteMarks("''title'': ''"), "\"title\": \"");
    EXPECT_EQ(QuoteMarks("'''"), "\"'");
    EXPECT_EQ(QuoteMarks("''''"), "\"\"");
    EXPECT_EQ(QuoteMarks("a'b"), "a'b");
    EXPECT_EQ(QuoteMarks(""), "");
}

TEST(TextBetween, WalksWithPosition) {
    int position = 0;
    EXPECT_EQ(TextBetween("a[b]c", "[", "]", &position), "b");
    EXPECT_EQ(position, 5);
    EXPECT_EQ(TextBetween("a[b]c", "[", "]", &position), "");
    EXPECT_EQ(position, 5);

    position = 0;
    const std::string records = "{1}{22}{}{3}";
    EXPECT_EQ(TextBetween(records, "{", "}", &position), "1");
    EXPECT_EQ(TextBetween(records, "{", "}", &position), "22");
    EXPECT_EQ(TextBetween(records, "{", "}", &position), "");  // touching markers
    EXPECT_EQ(position, 10);
    EXPECT_EQ(TextBetween(records, "{", "}", &position), "3");
    EXPECT_EQ(position, 13);

    position = -7;  // counts as 1
    EXPECT_EQ(TextBetween("[x]", "[", "]", &position), "x");
    position = 50;
    EXPECT_EQ(TextBetween("[x]", "[", "]", &position), "");
    EXPECT_EQ(position, 50);
}

TEST(TextBetween, Cases) {
    struct Case {
        const char* name;
        std::string text;
        std::string left;
        std::string right;
        std::string expected;
    };
    const Case cases[] = {
        {"missing left", "abc]", "[", "]", ""},
        {"missing right", "[abc", "[", "]", ""},
        {"right searched after left", "]a[b]", "[", "]", "b"},
        {"empty left is the start", "abc]d", "", "]", "abc"},
        {"empty right is the end", "a[bcd", "[", "", "bcd"},
        {"both empty is everything", "abc", "", "", "abc"},
        {"case ignored", "{\"Status\": \"1\"}", "{''status'': ''", "}", "1\""},
        {"quoted form first", "{status: a} {\"status\": \"b}", "{''status'': ''", "}", "b"},
        {"unquoted form second", "{status: a} {status: b}", "{''status'': ''", "}", "a"},
        {"quotes only: empty left", "abc]", "''", "]", "abc"},
        {"quotes only: empty right", "[abc", "[", "''", ""},
        {"markers across characters", kZhongWen + "x" + kZhongWen, "\xD0\xCE", "\xD0\xCE", ""},
        {"marker as second byte", "\xB0[no]x[yes]", "[", "]", "yes"},
        {"right marker as second byte", "[a\xB0]b]", "[", "]", "a\xB0]b"},
        {"quoted chinese marker falls back", local("标题：新闻。"), local("：''"), local("。"),
         local("新闻")},
        {"chinese markers found", local("标题：新闻。"), local("："), local("。"), local("新闻")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TextBetween(c.text, c.left, c.right), c.expected) << c.name;
    }
}

TEST(TextBetween, PositionsCountTheStartMarker) {
    // The start of the text stands as "#Brenvik头#" in front of it (11 bytes).
    int position = 0;
    EXPECT_EQ(TextBetween("ab]cd]", "", "]", &position), "ab");
    EXPECT_EQ(position, 15);
    position = 0;
    EXPECT_EQ(TextBetween("[ab", "[", "", &position), "ab");
    EXPECT_EQ(position, 4 + static_cast<int>(local("#Brenvik尾#").size()));
}

TEST(TextBetween, QuoteOnlyRightMarkerStillMovesPosition) {
    int position = 2;
    EXPECT_EQ(TextBetween("x[abc", "[", "''", &position), "");
    EXPECT_EQ(position, 1);
}

TEST(MarkerPair, CutsLikeTextBetween) {
    const MarkerPair pair("''ip'': ''", "''");
    const std::string record = "\"status\": \"1\", \"IP\": \"1.2.3.4\"";
    EXPECT_EQ(pair.Cut(record), "1.2.3.4");
    EXPECT_EQ(pair.Cut("no ip here"), "");
    const MarkerPair whole("", "");
    EXPECT_EQ(whole.Cut("all of it"), "all of it");
}

}  // namespace
}  // namespace tidewell::text
