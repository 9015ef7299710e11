#include "collect/comment_filter.h"

#include <gtest/gtest.h>

#include "collect/headless_window.h"
#include "pattern/pattern_matcher.h"
#include "platform/encoding.h"

namespace tidewell::collect {
namespace {

using platform::local;

class CommentFilterTest : public ::testing::Test {
protected:
    void SetUp() override {
        brackets_.CreateRegExp();
        brackets_.SetPattern(kBracketCodePattern);
    }
    bool keep(const std::string& content, std::string* cleanedOut = nullptr) {
        CommentRecord record;
        record.content = content;
        std::string cleaned;
        bool kept = FilterComment(record, brackets_, window_, cleaned);
        if (cleanedOut != nullptr) {
            *cleanedOut = cleaned;
        }
        return kept;
    }

    pattern::PatternMatcher brackets_;
    HeadlessWindow window_;
};

TEST_F(CommentFilterTest, CleaningAndLengthRange) {
    std::string cleaned;
    EXPECT_FALSE(keep(local("[哈哈][微笑]")));
    EXPECT_TRUE(keep(local("好[哈哈]的[[a]]x[]"), &cleaned));
    EXPECT_EQ(cleaned, local("好的[]x[]"));
    EXPECT_TRUE(keep("&quot;<b>", &cleaned));
    EXPECT_EQ(cleaned, "&quot;<b>");

    window_.SetEditText(control::kMinLength, "6");
    window_.SetEditText(control::kMaxLength, "9");
    EXPECT_FALSE(keep("12345"));
    EXPECT_TRUE(keep("&quot;"));  // six characters before decoding
    EXPECT_TRUE(keep(local("一二三四五六七八九")));
    EXPECT_FALSE(keep(local("一二三四五六七八九十")));
    EXPECT_TRUE(keep("1234\r\n5678"));  // CR LF counts once

    window_.SetEditText(control::kMinLength, local("０"));
    window_.SetEditText(control::kMaxLength, local("全部"));
    EXPECT_FALSE(keep("a"));
}

TEST_F(CommentFilterTest, TwoHundredIsKeptTwoHundredOneIsNot) {
    window_.SetEditText(control::kMaxLength, "200");
    EXPECT_TRUE(keep(std::string(200, 'x')));
    EXPECT_FALSE(keep(std::string(201, 'x')));
}

TEST_F(CommentFilterTest, RenderFillsTagsInOrder) {
    CommentRecord r;
    r.ip = "10.0.0.1";
    r.area = local("上海");
    r.content = local("好");
    r.time = "T";
    r.nick = local("甲");
    r.uid = "42";
    EXPECT_EQ(RenderComment(r, r.content, window_), local("上海(10.0.0.1)的网友甲(42)在 T 说：好"));

    window_.SetEditText(control::kTemplate, local("#ip#|#Id#|#评论#\r\n#时间#"));
    EXPECT_EQ(RenderComment(r, local("a|b"), window_), local("10.0.0.1|42|a|b\r\nT"));

    // a "|" in a value shifts the later values; a later tag inside a value is filled too
    CommentRecord odd;
    odd.ip = "ip";
    odd.area = local("#时间#");
    odd.time = "t";
    odd.nick = "a|b";
    odd.uid = "u";
    window_.SetEditText(control::kTemplate, local("#地方#/#昵称#/#ID#/#评论#"));
    EXPECT_EQ(RenderComment(odd, local("#评论#"), window_), "t/a/b/" + local("#评论#"));
}

}  // namespace
}  // namespace tidewell::collect
