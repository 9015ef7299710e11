#include "collect/text/duplicate_lines.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "collect/text/split.h"
#include "platform/encoding.h"
#include "platform/event_pump.h"

namespace tidewell::text {
namespace {

using platform::local;

// The rule as stated: keep a member when no later member equals it, always keep the last.
std::string pairwise(std::string_view text, std::string_view separator) {
    const std::vector<std::string_view> members = SplitText(text, separator);
    if (members.size() < 2) {
        return std::string(text);
    }
    std::string out;
    bool first = true;
    for (size_t i = 0; i < members.size(); ++i) {
        bool later = false;
        for (size_t j = i + 1; j < members.size() && !later; ++j) {
            later = members[i] == members[j];
        }
        if (!later) {
            if (!first) {
                out.append(separator);
            }
            out.append(members[i]);
            first = false;
        }
    }
    return out;
}

TEST(RemoveDuplicateLines, KeepsTheLastOfEqualLines) {
    struct Case {
        const char* name;
        std::string text;
        std::string separator;
        std::string expected;
    };
    const Case cases[] = {
        {"last occurrence stays", "x\r\ny\r\nx\r\nz", "\r\n", "y\r\nx\r\nz"},
        {"no separator at the end", "a\r\nb\r\n", "\r\n", "a\r\nb"},
        {"single line keeps its separator", "a\r\n", "\r\n", "a\r\n"},
        {"single line", "a", "\r\n", "a"},
        {"empty", "", "\r\n", ""},
        {"empty separator", "a|a", "", "a|a"},
        {"empty members count", "a||a|", "|", "|a"},
        {"all equal", "q|q|q", "|", "q"},
        {"byte for byte", "A|a|A ", "|", "A|a|A "},
        {"separator as second byte", "\xB0|a|a", "|", "\xB0|a|a"},
        {"chinese", local("好\r\n坏\r\n好"), "\r\n", local("坏\r\n好")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RemoveDuplicateLines(c.text, c.separator), c.expected) << c.name;
    }
}

TEST(RemoveDuplicateLines, AgreesWithThePairwiseRule) {
    std::mt19937 random(7);
    const std::vector<std::string> pieces = {"a", "b", "\r\n", "\r", "\n", local("中"), "\xB0\r"};
    for (int round = 0; round < 300; ++round) {
        std::string text;
        const int length = static_cast<int>(random() % 20);
        for (int i = 0; i < length; ++i) {
            text += pieces[random() % pieces.size()];
        }
        EXPECT_EQ(RemoveDuplicateLines(text, "\r\n"), pairwise(text, "\r\n"))
            << platform::utf8FromLocal(text);
    }
}

TEST(RemoveDuplicateLines, LetsPendingEventsRunOnLongTexts) {
    int pumps = 0;
    platform::ScopedEventPump pump([&] { ++pumps; });
    std::string text;
    constexpr int kLines = 20000;
    for (int i = 0; i < kLines; ++i) {
        text += "line " + std::to_string(i % 1000) + "\r\n";
    }
    const std::string result = RemoveDuplicateLines(text, "\r\n");
    EXPECT_EQ(SplitText(result, "\r\n").size(), 1000u);
    EXPECT_GE(pumps, kLines / 1024);
}

}  // namespace
}  // namespace tidewell::text
