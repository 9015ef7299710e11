#include "tools/fakeportal/generator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace tidewell::fakeportal {
namespace {

// The text without its bracket codes: "[" , one or more characters other than brackets, "]".
std::string withoutBracketCodes(const std::string& text) {
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '[') {
            const auto close = text.find_first_of("[]", i + 1);
            if (close != std::string::npos && text[close] == ']' && close > i + 1) {
                i = close + 1;
                continue;
            }
        }
        out.push_back(text[i++]);
    }
    return out;
}

TEST(Generator, ReadsGeneratedNewsids) {
    const struct {
        const char* newsid;
        bool generated;
        std::uint64_t comments;
        std::uint64_t seed;
    } cases[] = {
        {"gen-250-7", true, 250, 7},
        {"gen-0-0", true, 0, 0},
        {"gen-50000-18446744073709551615", true, 50000, 18446744073709551615ull},
        {"gen-250", false, 0, 0},
        {"gen--7", false, 0, 0},
        {"gen-+1-7", false, 0, 0},
        {"gen-1-7x", false, 0, 0},
        {"gen-1-18446744073709551616", false, 0, 0},
        {"GEN-1-7", false, 0, 0},
        {"1-1-29894458", false, 0, 0},
    };
    for (const auto& c : cases) {
        auto thread = parseGeneratedNewsid(c.newsid);
        ASSERT_EQ(thread.has_value(), c.generated) << c.newsid;
        if (thread) {
            EXPECT_EQ(thread->comments, c.comments) << c.newsid;
            EXPECT_EQ(thread->seed, c.seed) << c.newsid;
        }
    }
}

TEST(Generator, TitleHoldsTheSeed) {
    EXPECT_NE(generatedTitle({250, 8675309}).find("8675309"), std::string::npos);
    EXPECT_NE(generatedTitle({250, 1}), generatedTitle({250, 2}));
}

bool sameComments(const std::vector<Comment>& a, const std::vector<Comment>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].content != b[i].content || a[i].nick != b[i].nick || a[i].ip != b[i].ip ||
            a[i].time != b[i].time || a[i].uid != b[i].uid || a[i].area != b[i].area) {
            return false;
        }
    }
    return true;
}

TEST(Generator, SameSeedGivesTheSamePageAndPagesStandOnTheirOwn) {
    EXPECT_TRUE(sameComments(generateComments(7, 100, 100), generateComments(7, 100, 100)));
    EXPECT_FALSE(sameComments(generateComments(7, 100, 100), generateComments(8, 100, 100)));
    EXPECT_FALSE(sameComments(generateComments(7, 0, 100), generateComments(7, 100, 100)));
    EXPECT_EQ(generateComments(7, 0, 37).size(), 37u);
}

// Over a few pages every kind of text the collector must cope with turns up, and nothing
// breaks the record format.
TEST(Generator, TextsVaryAndNeverBreakTheRecordFormat) {
    bool codes = false, entities = false, asciiOnly = false, longOne = false, emptied = false;
    bool repeatedLine = false, repeatedContent = false;
    for (std::uint64_t page = 0; page < 10; ++page) {
        const auto comments = generateComments(99, page * 100, 100);
        std::set<std::string> lines, contents;
        for (const auto& c : comments) {
            for (const std::string* field :
                 {&c.ip, &c.area, &c.content, &c.time, &c.nick, &c.uid}) {
                EXPECT_FALSE(field->empty());
                EXPECT_EQ(field->find('"'), std::string::npos) << *field;
                EXPECT_EQ(field->find('}'), std::string::npos) << *field;
                EXPECT_EQ(field->find('\\'), std::string::npos) << *field;
            }
            EXPECT_EQ(c.nick.find('&'), std::string::npos);
            const std::string cleaned = withoutBracketCodes(c.content);
            codes |= cleaned != c.content;
            entities |= c.content.find("&quot;") != std::string::npos ||
                        c.content.find("&#20013;") != std::string::npos;
            asciiOnly |= std::all_of(c.content.begin(), c.content.end(),
                                     [](char ch) { return static_cast<unsigned char>(ch) < 0x80; });
            emptied |= cleaned.empty();
            longOne |= cleaned.size() > 600;  // more than 200 Chinese characters
            const std::string line = c.ip + c.time + c.nick + c.content;
            repeatedLine |= !lines.insert(line).second;
            repeatedContent |= !contents.insert(c.content).second;
        }
    }
    EXPECT_TRUE(codes);
    EXPECT_TRUE(entities);
    EXPECT_TRUE(asciiOnly);
    EXPECT_TRUE(longOne);
    EXPECT_TRUE(emptied);
    EXPECT_TRUE(repeatedLine);
    EXPECT_TRUE(repeatedContent);
}

}  // namespace
}  // namespace tidewell::fakeportal
