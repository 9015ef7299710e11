#include "platform/encoding.h"

#include <gtest/gtest.h>

namespace tidewell::platform {
namespace {

TEST(Encoding, LocalTextIsGbkForCommonChinese) {
    EXPECT_EQ(local("中文"), "\xD6\xD0\xCE\xC4");
    EXPECT_EQ(local("全部"), "\xC8\xAB\xB2\xBF");
    EXPECT_EQ(utf8FromLocal("\xD6\xD0\xCE\xC4"), "中文");
}

TEST(Encoding, RoundTripsEveryUnicodePlane) {
    const std::string text = "a中😀é€ㄓ";
    auto gb = localFromUtf8Strict(text);
    ASSERT_TRUE(gb.has_value());
    EXPECT_EQ(utf8FromLocal(*gb), text);
    EXPECT_EQ(localFromUtf16(utf16FromLocal(*gb)), *gb);
    EXPECT_EQ(utf16FromLocal(local("中文")).size(), 2u);
}

TEST(Encoding, StrictFailsWholeLenientReplaces) {
    const std::string bad = "ab\xFF" "cd";
    EXPECT_FALSE(localFromUtf8Strict(bad).has_value());
    EXPECT_EQ(localFromUtf8(bad), "ab?cd");
    EXPECT_FALSE(utf8FromLocalStrict("\x81").has_value());
    EXPECT_EQ(utf8FromLocal("x\x81"), "x\xEF\xBF\xBD");
}

TEST(Encoding, ReplyDecoders) {
    EXPECT_EQ(localFromUtf16LE(std::string("\x2D\x4E\x87\x65", 4)), local("中文"));
    EXPECT_EQ(localFromUtf16BE(std::string("\x4E\x2D\x65\x87", 4)), local("中文"));
    EXPECT_EQ(localFromBig5("\xA4\xA4\xA4\xE5"), local("中文"));
    EXPECT_EQ(localFromBig5Hkscs("\xA4\xA4\xA4\xE5"), local("中文"));
    EXPECT_FALSE(localFromUtf16LE(std::string("\x41", 1)).has_value());
    EXPECT_EQ(localFromUtf16LE(""), std::string());
}

TEST(Encoding, Utf8Validation) {
    struct Case {
        std::string bytes;
        bool valid;
    } cases[] = {
        {"", true},          {"abc", true},          {"中文", true},
        {"\xC0\x80", false}, {"\xED\xA0\x80", false}, {"\xE4\xB8", false},
        {"\xD6\xD0", false}, {"😀", true},            {"\xF4\x90\x80\x80", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isValidUtf8(c.bytes), c.valid) << c.bytes;
    }
}

}  // namespace
}  // namespace tidewell::platform
