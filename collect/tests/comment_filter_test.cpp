#include "collect/comment_filter.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "collect/headless_window.h"
#include "collect/text/replace_list.h"
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

// Two-byte contents are cleaned without the matcher; what comes out must be what the matcher
// gives. The pieces mix brackets with characters whose second byte is a bracket byte, four-byte
// characters and bytes that are no character (which take the matcher's way).
TEST_F(CommentFilterTest, CleansAsTheBracketPatternDoes) {
    const std::vector<std::string> pieces = {
        "[",        "]",        "[]",       "a",    " ",         local("哈"), local("微笑"),
        "\xB0\x5B", "\xB0\x5D", "\x81\x5B", "\r\n", "\n",        "&quot;",    "<br>",
        local("😀"), "\x80",     "\xFF",     "\xB0", local("［"), local("］")};
    std::mt19937 random(7);
    window_.SetEditText(control::kMaxLength, "100000");
    for (int round = 0; round < 5000; ++round) {
        std::string content;
        for (int n = 1 + static_cast<int>(random() % 12); n > 0; --n) {
            content += pieces[random() % pieces.size()];
        }
        std::string cleaned;
        keep(content, &cleaned);
        const std::string expected =
            content.find('[') == std::string::npos ? content : brackets_.Replace(content);
        EXPECT_EQ(cleaned, expected) << platform::utf8FromLocal(content);
    }
}

TEST_F(CommentFilterTest, TwoHundredIsKeptTwoHundredOneIsNot) {
    window_.SetEditText(control::kMaxLength, "200");
    EXPECT_TRUE(keep(std::string(200, 'x')));
    EXPECT_FALSE(keep(std::string(201, 'x')));
}

TEST_F(CommentFilterTest, RenderFillsTagsInOrder) {
    // ip, area, content, time, nick, uid
    const CommentRecord r{"10.0.0.1", local("上海"), local("好"), "T", local("甲"), "42"};
    EXPECT_EQ(RenderComment(r, r.content, window_), local("上海(10.0.0.1)的网友甲(42)在 T 说：好"));

    window_.SetEditText(control::kTemplate, local("#ip#|#Id#|#评论#\r\n#时间#"));
    EXPECT_EQ(RenderComment(r, local("a|b"), window_), local("10.0.0.1|42|a|b\r\nT"));

    // a "|" in a value shifts the later values; a later tag inside a value is filled too
    const CommentRecord odd{"ip", local("#时间#"), "", "t", "a|b", "u"};
    window_.SetEditText(control::kTemplate, local("#地方#/#昵称#/#ID#/#评论#"));
    EXPECT_EQ(RenderComment(odd, local("#评论#"), window_), "t/a/b/" + local("#评论#"));
}

// Values that split as they stand skip the list text; the rendering must stay that of the list
// text split at "|" (shifts, lone first bytes that take the "|" in, tags inside values).
TEST_F(CommentFilterTest, RendersAsTheListTextDoes) {
    const std::vector<std::string> valuePieces = {
        "a", "|", "#", "1.2", local("中"), "\xB0", "\xB0|", "#ID#", "#ip#", local("#时间#"), ""};
    const std::vector<std::string> templatePieces = {"#IP#",
                                                     "#ip#",
                                                     "#iD#",
                                                     local("#地方#"),
                                                     local("#时间#"),
                                                     local("#昵称#"),
                                                     local("#评论#"),
                                                     "#",
                                                     "|",
                                                     "(",
                                                     " ",
                                                     local("说："),
                                                     "\xB0",
                                                     "ID",
                                                     "\r\n"};
    std::mt19937 random(11);
    auto text = [&](const std::vector<std::string>& pieces, int most) {
        std::string t;
        for (int n = static_cast<int>(random() % (most + 1)); n > 0; --n) {
            t += pieces[random() % pieces.size()];
        }
        return t;
    };
    const std::string tags = local("#IP#|#地方#|#时间#|#昵称#|#ID#");
    for (int round = 0; round < 5000; ++round) {
        const CommentRecord r{text(valuePieces, 3), text(valuePieces, 3), "",
                              text(valuePieces, 3), text(valuePieces, 3), text(valuePieces, 3)};
        const std::string cleaned = text(valuePieces, 3);
        const std::string design = text(templatePieces, 8);
        window_.SetEditText(control::kTemplate, design);
        const std::string list = r.ip + "|" + r.area + "|" + r.time + "|" + r.nick + "|" + r.uid;
        const std::string expected = text::ReplaceAll(
            text::ReplaceList(design, tags, list, "|", true), local("#评论#"), cleaned, false);
        EXPECT_EQ(RenderComment(r, cleaned, window_), expected)
            << platform::utf8FromLocal(design) << " / " << platform::utf8FromLocal(list);
    }
}

}  // namespace
}  // namespace tidewell::collect
