#include "web/decode_text.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/encoding.h"
#include "platform/files.h"

namespace tidewell::web {
namespace {

using platform::local;

const std::string kUtf8Zh = "\xE4\xB8\xAD\xE6\x96\x87";  // 中文
const std::string kGbkZh = "\xD6\xD0\xCE\xC4";
const std::string kBig5Zh = "\xA4\xA4\xA4\xE5";
const std::string kUtf16LEZh = std::string("\x2D\x4E\x87\x65", 4);
const std::string kUtf16BEZh = std::string("\x4E\x2D\x65\x87", 4);

std::string page(const std::string& head, const std::string& body) {
    return "<html>" + head + "<body>" + body + "</body></html>";
}

TEST(DecodeText, DetectsAndConverts) {
    struct Case {
        const char* name;
        std::string bytes;
        int wanted;
        std::string expected;
        int detected;
    };
    const std::string big5Head = "<head><meta charset=big5></head>";
    const Case cases[] = {
        {"utf-8 mark", "\xEF\xBB\xBF" + kUtf8Zh, kDetect, local("中文"), kUtf8},
        {"utf-16le mark", "\xFF\xFE" + kUtf16LEZh, kDetect, local("中文"), kUtf16LE},
        {"utf-16be mark", "\xFE\xFF" + kUtf16BEZh, kDetect, local("中文"), kUtf16BE},
        {"gbk without declaration", page("<head></head>", kGbkZh), kDetect,
         page("<head></head>", kGbkZh), kLocalCharset},
        {"ascii", "plain text", kDetect, "plain text", kLocalCharset},
        {"utf-8 guessed", "x" + kUtf8Zh, kDetect, std::string("x").append(local("中文")), kUtf8},
        {"meta utf-8 in head",
         page("<HEAD><META HTTP-EQUIV=Content-Type CONTENT='text/html; charset=UTF-8'></HEAD>",
              kUtf8Zh),
         kDetect,
         page("<HEAD><META HTTP-EQUIV=Content-Type CONTENT='text/html; charset=UTF-8'></HEAD>",
              local("中文")),
         kUtf8},
        {"meta big5", page(big5Head, kBig5Zh), kDetect, page(big5Head, local("中文")), kBig5},
        {"wanted utf-16be without mark keeps its first character", kUtf16BEZh, kUtf16BE,
         local("中文"), kUtf16BE},
        {"wanted utf-16le with mark", "\xFF\xFE" + kUtf16LEZh, kUtf16LE, local("中文"), kUtf16LE},
        {"wanted utf-8 skips its mark", "\xEF\xBB\xBF" + kUtf8Zh, kUtf8, local("中文"), kUtf8},
        {"wanted local on utf-8", kUtf8Zh, kLocalCharset, local("中文"), kUtf8},
        {"wanted local on gbk", kGbkZh, kLocalCharset, kGbkZh, kLocalCharset},
        {"unknown wanted code", kUtf8Zh, 9, local("中文"), kUtf8},
        {"wanted utf-8 on gbk falls back replacing", kGbkZh, kUtf8, "????", kUtf8},
        {"wanted big5-hkscs", kBig5Zh, kBig5Hkscs, local("中文"), kBig5Hkscs},
        {"wanted big5 on a cut character falls back", kBig5Zh + "\xA4", kBig5, local("中文?"),
         kBig5},
        {"empty", "", kDetect, "", kLocalCharset},
        {"text ends at a zero unit", std::string("a\0\0\0b\0", 6), kUtf16LE, "a", kUtf16LE},
    };
    for (const Case& c : cases) {
        int detected = -1;
        EXPECT_EQ(DecodeBytes(c.bytes, c.wanted, &detected), c.expected) << c.name;
        EXPECT_EQ(detected, c.detected) << c.name;
    }
}

TEST(DecodeText, FallsBackToTheRawBytes) {
    // Text that ends before its first character gives the source as local text, which ends at
    // its own first zero byte.
    int detected = -1;
    EXPECT_EQ(DecodeBytes(std::string("\0\0", 2), kUtf16LE, &detected), "");
    EXPECT_EQ(detected, kLocalCharset);
    EXPECT_EQ(DecodeBytes(std::string("\xFF\xFE\0\0", 4), kDetect, &detected), "\xFF\xFE");
    EXPECT_EQ(detected, kLocalCharset);
}

TEST(DecodeText, SourcesAndOutputs) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("tidewell-decode-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string file = platform::localPath(dir / "page.html");
    ASSERT_TRUE(platform::writeFileAtomic(file, "\xEF\xBB\xBF" + kUtf8Zh));

    DecodeSource fromFile;
    fromFile.fileName = file;
    fromFile.bytes = "ignored";
    int detected = -1;
    std::string textOut = "old";
    EXPECT_EQ(DecodeText(fromFile, kDetect, &detected, &textOut), local("中文"));
    EXPECT_EQ(detected, kUtf8);
    EXPECT_EQ(textOut, local("中文"));

    DecodeSource missing;
    missing.fileName = platform::localPath(dir / "missing.html");
    detected = 42;
    EXPECT_EQ(DecodeText(missing, kDetect, &detected, &textOut), "");
    EXPECT_EQ(detected, 42);
    EXPECT_EQ(textOut, "");

    DecodeSource fromText;
    fromText.text = std::string("abc\0def", 7);
    EXPECT_EQ(DecodeText(fromText), "abc");

    std::filesystem::remove_all(dir);
}

TEST(DetectMetaCharset, ReadsTheHeadsMetaTags) {
    struct Case {
        const char* name;
        std::string page;
        int expected;
    };
    const Case cases[] = {
        {"double-quoted", "<head><meta charset=\"utf-8\"></head>", 1},
        {"hkscs quoted", "<head><meta charset='big5-hkscs'></head>", 3},
        {"hkscs plain", "<head><meta charset=big5-hkscs></head>", 3},
        {"big5", "<head><meta charset=big5></head>", 2},
        {"charset meta after another",
         "<head><meta name=description content=x><meta charset=utf-8></head>", 1},
        {"outside a present head", "<head><title>t</title></head><meta charset=utf-8>", 0},
        {"no head: whole page", "<meta charset=utf-8><p>x</p>", 1},
        {"empty head: whole page", "<head></head><meta charset=big5>", 2},
        {"gbk", "<head><meta charset=gbk></head>", 0},
        {"no meta", "<head><title>t</title></head>", 0},
        {"an empty meta ends the search", "<head><meta><meta charset=utf-8></head>", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DetectMetaCharset(c.page), c.expected) << c.name;
    }
}

TEST(ContainsAny, AnyOrEveryItem) {
    EXPECT_TRUE(ContainsAny("Charset=UTF-8", "x[fg]charset=utf-8", true));
    EXPECT_FALSE(ContainsAny("charset=gbk", "x[fg]charset=utf-8", true));
    EXPECT_TRUE(ContainsAny("a b c", "A[fg]B", false));
    EXPECT_FALSE(ContainsAny("a b c", "a[fg]d", false));
    EXPECT_FALSE(ContainsAny("abc", "", true));
    EXPECT_TRUE(ContainsAny("abc", "", false));
    // The item's bytes across two characters are not contained.
    EXPECT_FALSE(ContainsAny(kGbkZh, "\xD0\xCE", true));
}

}  // namespace
}  // namespace tidewell::web
