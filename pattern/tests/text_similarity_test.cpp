#include "pattern/text_similarity.h"

#include <gtest/gtest.h>

#include <string>

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
}

}  // namespace
}  // namespace tidewell::pattern
