#include "pattern/text_similarity.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "pattern/pattern_matcher.h"
#include "platform/encoding.h"

namespace tidewell::pattern {
namespace {

using platform::local;

struct CompareCase {
    std::string first;
    std::string second;
    int expected;
};

TEST(TextSimilarity, Compare) {
    const CompareCase cases[] = {
        {local("今天下雨。明天晴"), local("今天下雨。明天晴"), 100},
        {local("今天下雨。明天晴"), local("明天晴，今天下雨"), 100},
        {local("甲。乙"), local("甲"), 75},
        {local("甲"), local("甲。乙"), 75},
        {"ABC", "abc", 0},
        {"", "", 100},
        {"", "x", 0},
        {"x", "", 0},
        // Pieces of the first: empty and "x", none after the final tag. The empty piece
        // occurs in any text: (50 + 0) / 2.
        {"<p>x</p>", "y", 25},
        // Truncated, not rounded: (33.3 + 100) / 2.
        {local("甲。乙。丙"), local("甲"), 66},
        // The ASCII full stop does not cut; the eight other marks and CR LF do.
        {"a.b", "b.a", 0},
        {local("a,b;c!d?e。f，g！h；i\r\nj"), "j;i;h;g;f;e;d;c;b;a", 100},
        {"a\nb", "b\na", 0},
        // A tag is the shortest run between "<" and ">", across lines too.
        {"x<a\r\nhref='#'>y<br>z", "z,y,x", 100},
        // The mark itself cuts as well.
        {local("aㄓb"), "b,a", 100},
        // A piece found only from the second byte of a character does not count; the search
        // goes on to a later place where it begins on a character.
        {local("啊"), "\xb0\xb0\xa1\xb0", 0},
        {local("啊"), "\xb0\xb0\xa1\xb0\xb0\xa1", 50},
        {local("啊啊"), "\xb0\xb0\xa1\xb0\xa1\xb0\xa1\xa1", 0},
        {local("啊啊"), "\xb0\xb0\xa1\xb0\xa1\xb0\xa1\xa1\xb0\xa1\xb0\xa1", 50},
        {local("一二三四五六"), local("一二三四五"), 50},
        // Repeated pieces count each time.
        {local("甲。甲。乙"), local("甲"), 83},
        // Bytes that are no character: a page of comments holding them is like itself.
        {local("甲说：") + "\x80\xff\x81 " + local("好。乙\r\n"),
         local("甲说：") + "\x80\xff\x81 " + local("好。乙\r\n"), 100},
        {"a\x80,b\xc8", "b\xc8,a\x80", 100},
    };
    TextSimilarity similarity;
    for (const CompareCase& c : cases) {
        SCOPED_TRACE(platform::utf8FromLocal(c.first) + " | " + platform::utf8FromLocal(c.second));
        EXPECT_EQ(similarity.Compare(c.first, c.second), c.expected);
    }
}

TEST(TextSimilarity, CreateRegExpAfterConstructionKeepsItReady) {
    TextSimilarity similarity;
    EXPECT_TRUE(similarity.CreateRegExp());
    EXPECT_EQ(similarity.Compare(local("甲。乙"), local("甲")), 75);
    TextSimilarity copy = similarity;
    EXPECT_EQ(copy.Compare(local("甲。乙"), local("乙")), 75);
}

TEST(TextSimilarity, PagesOfComments) {
    std::string page;
    for (int i = 0; i < 100; ++i) {
        page += local("第") + std::to_string(i) + local("条评论，说得好！<br>") + "\r\n";
    }
    std::string shifted = page.substr(page.size() / 10) + local("新来的评论。") + "\r\n";
    TextSimilarity similarity;
    EXPECT_EQ(similarity.Compare(page, page), 100);
    const int s = similarity.Compare(shifted, page);
    EXPECT_GT(s, 90);
    EXPECT_LT(s, 100);
    EXPECT_TRUE(similarity.MoreAlikeThan(shifted, page, s - 1));
    EXPECT_FALSE(similarity.MoreAlikeThan(shifted, page, s));
    // Half the pieces of the page are empty and occur anywhere: (0 + 50) / 2.
    const std::string other = local("新的一页");
    EXPECT_EQ(similarity.Compare(other, page), 25);
    EXPECT_TRUE(similarity.MoreAlikeThan(other, page, 24));
    EXPECT_FALSE(similarity.MoreAlikeThan(other, page, 25));
}

// The rating as written out: cut through the separator pattern, split at the mark, look each
// piece up at every character start of the other text.
class ReferenceRating {
  public:
    ReferenceRating() {
        matcher_.CreateRegExp();
        matcher_.SetPattern(local("<[\\s\\S]+?>|[。，！\\?!,;；]|\\r\\n"));
    }

    int Compare(const std::string& first, const std::string& second) {
        if (first.empty() || second.empty()) {
            return first.empty() && second.empty() ? 100 : 0;
        }
        const std::vector<std::string> a = pieces(first);
        const std::vector<std::string> b = pieces(second);
        const auto na = static_cast<long long>(a.size());
        const auto nb = static_cast<long long>(b.size());
        if (na == 0 || nb == 0) {
            return 0;
        }
        // Pieces are looked up in the other text as the pattern sees it.
        const long long foundA = found(a, seen(second));
        const long long foundB = found(b, seen(first));
        return static_cast<int>((foundA * nb + foundB * na) * 100 / (2 * na * nb));
    }

  private:
    static std::string seen(const std::string& text) {
        return platform::localFromUtf16(platform::utf16FromLocal(text));
    }

    static size_t step(const std::string& text, size_t i) {
        return static_cast<unsigned char>(text[i]) >= 0x80 && i + 1 < text.size() ? 2 : 1;
    }

    std::vector<std::string> pieces(const std::string& text) {
        const std::string mark = local("ㄓ");
        const std::string cut = matcher_.Replace(text, mark);
        std::vector<std::string> out;
        size_t start = 0;
        for (size_t i = 0; i < cut.size();) {
            if (cut.compare(i, mark.size(), mark) == 0) {
                out.push_back(cut.substr(start, i - start));
                i += mark.size();
                start = i;
            } else {
                i += step(cut, i);
            }
        }
        if (start < cut.size()) {
            out.push_back(cut.substr(start));
        }
        return out;
    }

    static long long found(const std::vector<std::string>& pieces, const std::string& text) {
        long long n = 0;
        for (const std::string& piece : pieces) {
            bool there = piece.empty();
            for (size_t i = 0; !there && i < text.size(); i += step(text, i)) {
                there = text.compare(i, piece.size(), piece) == 0;
            }
            n += there ? 1 : 0;
        }
        return n;
    }

    PatternMatcher matcher_;
};

// Pages of two-byte text are cut without the pattern, and each page is compared with the one
// before, whose pieces are kept: neither may change a rating. The texts mix separators, tags
// that are not closed, the mark, four-byte characters and bytes that are no character.
TEST(TextSimilarity, RatesAsThePatternCutsThem) {
    const std::vector<std::string> tokens = {local("甲"), local("乙"),   "a",
                                             "b",         "A",           "<",
                                             ">",         "<p>",         "<>",
                                             "<<a>",      local("<甲>"), local("。"),
                                             local("，"), local("！"),   local("；"),
                                             "?",         "!",           ",",
                                             ";",         ".",           "\r\n",
                                             "\r",        "\n",          local("ㄓ"),
                                             " ",         local("啊"),   "\xb0",
                                             "\xa1",      "\x80",        "\xff",
                                             local("😀"),  "\x81\x30",    "\x81\x30\x81\x30"};
    std::mt19937 random(20240501);
    auto text = [&](size_t most) {
        std::string t;
        for (size_t n = random() % (most + 1); n > 0; --n) {
            t += tokens[random() % tokens.size()];
        }
        return t;
    };
    ReferenceRating reference;
    TextSimilarity similarity;
    std::string previous = text(12);
    for (int round = 0; round < 3000; ++round) {
        // Mostly two-byte text, now and then anything.
        std::string page = text(12);
        if (round % 3 == 0) {
            page = local("第") + std::to_string(round) + local("条，") + previous;
        }
        SCOPED_TRACE(round);
        const int rating = reference.Compare(page, previous);
        const int percent = std::vector<int>{-1, 0, 30, 50, 75, 90, 99, 100}[round % 8];
        EXPECT_EQ(similarity.MoreAlikeThan(page, previous, percent), rating > percent);
        EXPECT_EQ(similarity.Compare(page, previous), rating);
        const std::string other = text(12);
        EXPECT_EQ(similarity.Compare(other, page), reference.Compare(other, page));
        EXPECT_EQ(similarity.Compare(page, other), reference.Compare(page, other));
        previous = std::move(page);
    }
}

}  // namespace
}  // namespace tidewell::pattern
