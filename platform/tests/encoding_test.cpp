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

TEST(Encoding, TwoByteText) {
    struct Case {
        std::string bytes;
        bool twoByte;
    } cases[] = {
        {"", true},
        {"abc\r\n\x01\x7F", true},
        {local("中文，[哈哈]"), true},
        {"\x81\x40\xFE\xFE\xA1\x7E\xB0\x80", true},
        {"\x80", false},
        {"a\xFF", false},
        {"\xB0", false},
        {"\xB0\x3F", false},
        {"\xB0\x7F", false},
        {"\xB0\xFF", false},
        {local("😀"), false},
        {"\x81\x30\x81\x30", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isTwoByteText(c.bytes), c.twoByte) << utf8FromLocal(c.bytes);
    }
}

// What isTwoByteText promises, for every two-byte character the text can hold: one Unicode
// character, back unchanged from UTF-16.
TEST(Encoding, EveryTwoByteCharacterRoundTripsThroughUtf16) {
    int broken = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F) {
                continue;
            }
            const std::string character = {static_cast<char>(lead), static_cast<char>(trail)};
            ASSERT_TRUE(isTwoByteText(character));
            const std::u16string utf16 = utf16FromLocal(character);
            const bool one = utf16.size() == 1 ||
                             (utf16.size() == 2 && utf16[0] >= 0xD800 && utf16[0] <= 0xDBFF);
            if (!one || localFromUtf16(utf16) != character) {
                ADD_FAILURE() << std::hex << lead << " " << trail;
                ++broken;
            }
        }
    }
    EXPECT_EQ(broken, 0);
}

}  // namespace
}  // namespace tidewell::platform
