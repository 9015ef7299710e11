#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <filesystem>

#include "platform/encoding.h"
#include "platform/files.h"
#include "settings/settings_store.h"
#include "settings/stored_files.h"
#include "settings/tests/temp_folder.h"
#include "settings/value_forms.h"

namespace tidewell::settings {
namespace {

using platform::local;
using testing::fileBytes;
using testing::TempFolder;

TEST(TypedValues, TextKeepsLineBreaksAsMarkers) {
    SettingsStore store;
    store.SetSection("S");
    const std::string value = "one\r\ntwo\r\nthree";
    EXPECT_TRUE(store.WriteText("t", value));
    EXPECT_EQ(store.GetText(), "[S]\r\nt=one" + local("┊*┊") + "two" + local("┊*┊") + "three");
    EXPECT_EQ(store.ReadText("t", ""), value);

    // Only the pair CR LF is a line break; lone CR and LF are stored as they are.
    EXPECT_TRUE(store.WriteText("lone", "a\rb\nc"));
    EXPECT_EQ(store.ReadValue("S", "lone"), "a\rb\nc");
    EXPECT_EQ(store.ReadText("lone", ""), "a\rb\nc");

    // A marker typed into a value comes back as a line break.
    EXPECT_TRUE(store.WriteText("m", "x" + local("┊*┊") + "y"));
    EXPECT_EQ(store.ReadText("m", ""), "x\r\ny");

    // A missing key gives the default exactly as it was passed.
    const std::string odd = "p\r\nq" + local("┊*┊");
    EXPECT_EQ(store.ReadText("missing", odd), odd);
    EXPECT_EQ(lineBreakMarker(), std::string("\xA9\xAE\x2A\xA9\xAE"));
}

TEST(TypedValues, NumbersWithThirteenSignificantDigits) {
    const std::pair<double, const char*> written[] = {
        {3, "3"},        {2.5, "2.5"},
        {0.1, "0.1"},    {2.0 / 3, "0.6666666666667"},
        {5, "5"},        {0.5, "0.5"},
        {1e20, "1e+20"}, {-0.25, "-0.25"},
        {0, "0"},        {123456789012345.0, "1.234567890123e+14"},
    };
    SettingsStore store;
    store.SetSection("S");
    for (const auto& [value, text] : written) {
        EXPECT_EQ(formatNumber(value), text);
        EXPECT_TRUE(store.WriteNumber("n", value));
        EXPECT_EQ(store.ReadValue("S", "n"), text);
        EXPECT_DOUBLE_EQ(store.ReadNumber("n", -1), std::stod(text));
    }
    const std::pair<const char*, double> read[] = {
        {"12abc", 12}, {"abc", 0},  {"", 0},     {" -3.5x", -3.5},    {"1e3", 1000}, {"+7", 7},
        {"+-1", 0},    {".5", 0.5}, {"0x10", 0}, {"1e999", INFINITY}, {"1e-999", 0}, {"全部", 0},
    };
    for (const auto& [text, value] : read) {
        EXPECT_EQ(parseLeadingNumber(local(text)), value) << text;
    }
    EXPECT_EQ(store.ReadNumber("missing", 4.5), 4.5);
    store.WriteValue("S", "empty", "");
    EXPECT_EQ(store.ReadNumber("empty", 4.5), 0);
}

TEST(TypedValues, WholeNumbersAreCutTowardZeroAndClamped) {
    EXPECT_EQ(wholeNumber(2.9), 2);
    EXPECT_EQ(wholeNumber(-2.9), -2);
    EXPECT_EQ(wholeNumber(NAN), 0);
    EXPECT_EQ(wholeNumber(1e300), std::numeric_limits<int>::max());
    EXPECT_EQ(wholeNumber(-INFINITY), std::numeric_limits<int>::min());
}

TEST(TypedValues, Booleans) {
    SettingsStore store;
    store.SetSection("S");
    EXPECT_TRUE(store.WriteBool("t", true));
    EXPECT_TRUE(store.WriteBool("f", false));
    EXPECT_EQ(store.ReadValue("S", "t"), local("真"));
    EXPECT_EQ(store.ReadValue("S", "f"), local("假"));
    store.WriteValue("S", "yes", "yes");
    store.WriteValue("S", "empty", "");
    struct Case {
        const char* key;
        bool readBool;
        bool unlessFalse;
    };
    const Case cases[] = {
        {"t", true, true}, {"f", false, false}, {"yes", false, true}, {"empty", false, true}};
    for (const Case& c : cases) {
        EXPECT_EQ(store.ReadBool(c.key, !c.readBool), c.readBool) << c.key;
        EXPECT_EQ(store.ReadBoolUnlessFalse(c.key, !c.unlessFalse), c.unlessFalse) << c.key;
    }
    EXPECT_TRUE(store.ReadBool("missing", true));
    EXPECT_FALSE(store.ReadBoolUnlessFalse("missing", false));
}

TEST(TypedValues, DateTimes) {
    struct Case {
        DateTime value;
        const char* text;
    };
    const Case cases[] = {
        {{2014, 5, 26, 8, 5, 0}, "2014年5月26日8时5分"},
        {{2014, 5, 26, 0, 0, 0}, "2014年5月26日"},
        {{2014, 5, 26, 15, 0, 0}, "2014年5月26日15时"},
        {{2014, 5, 26, 0, 0, 7}, "2014年5月26日0时0分7秒"},
        {{2000, 2, 29, 23, 59, 59}, "2000年2月29日23时59分59秒"},
        {{100, 1, 1, 0, 0, 0}, "100年1月1日"},
    };
    SettingsStore store;
    store.SetSection("S");
    for (const Case& c : cases) {
        EXPECT_TRUE(store.WriteTime("t", c.value));
        EXPECT_EQ(store.ReadValue("S", "t"), local(c.text));
        EXPECT_EQ(store.ReadTime("t", DateTime{1999, 1, 1, 1, 1, 1}), c.value) << c.text;
    }
    const DateTime epoch{100, 1, 1, 0, 0, 0};
    const std::pair<const char*, std::optional<DateTime>> parsed[] = {
        {"2014-05-26 08:05:00", DateTime{2014, 5, 26, 8, 5, 0}},
        {"2014/5/26", DateTime{2014, 5, 26, 0, 0, 0}},
        {" 2014年5月26日 8时 ", DateTime{2014, 5, 26, 8, 0, 0}},
        {"", std::nullopt},
        {"yesterday", std::nullopt},
        {"2014年2月30日", std::nullopt},
        {"2014年5月26日25时", std::nullopt},
        {"2014年5月", std::nullopt},
        {"2014年5月26日8时5", std::nullopt},
    };
    for (const auto& [text, value] : parsed) {
        EXPECT_EQ(parseDateTime(local(text)), value) << text;
        store.WriteValue("S", "p", local(text));
        EXPECT_EQ(store.ReadTime("p", DateTime{1999, 1, 1, 1, 1, 1}), value.value_or(epoch))
            << text;
    }
    EXPECT_EQ(store.ReadTime("missing", DateTime{1999, 1, 1, 1, 1, 1}),
              (DateTime{1999, 1, 1, 1, 1, 1}));
}

TEST(TypedValues, BytesLiveInSideFilesBesideTheSettingsFile) {
    TempFolder dir;
    const std::string path = dir.file("Brenvik·Tidewell.ini");
    SettingsStore store;
    ASSERT_TRUE(store.Bind(path, StoreMode::File));
    store.SetSection(local("主界面"));
    const std::string bytes("a\0b\r\n", 5);
    EXPECT_TRUE(store.WriteBytes(local("列表"), bytes));
    EXPECT_EQ(fileBytes(dir.file("inibin/主界面-列表.ibn")), bytes);
    EXPECT_EQ(store.ReadBytes(local("列表"), "d"), bytes);
    EXPECT_EQ(fileBytes(path), "");  // nothing in the settings file itself

    // Section and key both name the file.
    store.SetSection(local("其他"));
    EXPECT_EQ(store.ReadBytes(local("列表"), "d"), "d");
    EXPECT_TRUE(store.WriteBytes(local("列表"), "other"));
    EXPECT_EQ(fileBytes(dir.file("inibin/其他-列表.ibn")), "other");

    // An empty side file reads as missing.
    EXPECT_TRUE(store.WriteBytes("empty", ""));
    EXPECT_TRUE(platform::fileExists(dir.file("inibin/其他-empty.ibn")));
    EXPECT_EQ(store.ReadBytes("empty", "d"), "d");

    // Names that cannot be file names are refused, and nothing escapes the inibin folder.
    for (const char* key : {"a?b", "a*b", "../up", "a/b", "a\\b", "a:b", "a|b", "a\"b"}) {
        EXPECT_FALSE(store.WriteBytes(key, "x")) << key;
        EXPECT_EQ(store.ReadBytes(key, "d"), "d") << key;
    }
    store.SetSection("..");
    EXPECT_TRUE(store.WriteBytes("k", "x"));
    EXPECT_TRUE(platform::fileExists(dir.file("inibin/..-k.ibn")));
    store.SetSection("../x");
    EXPECT_FALSE(store.WriteBytes("k", "x"));
}

TEST(TypedValues, SideFileNames) {
    // "|" and "\" inside a two-byte character are part of the character, not separators.
    const std::string withTrailBytes = "\x95\x5C\x95\x7C";
    EXPECT_TRUE(detail::isFileNamePart(withTrailBytes));
    EXPECT_FALSE(detail::isFileNamePart("a\tb"));
    EXPECT_EQ(detail::sideFilePath("/a/b/s.ini", "S", "k"), "/a/b/inibin/S-k.ibn");
    EXPECT_EQ(detail::sideFilePath("/s.ini", "S", "k"), "/inibin/S-k.ibn");
    // Without a folder the side file sits beside the settings file, never at the root.
    EXPECT_EQ(detail::sideFilePath("s.ini", "S", "k"), "inibin/S-k.ibn");
    EXPECT_EQ(detail::baseName("/a/b.c/Brenvik.x.ini"), "Brenvik.x");
    EXPECT_EQ(detail::baseName("/a/b.c/plain"), "plain");
}

TEST(TypedValues, RegistryModeKeepsKeyPathAndValueNames) {
    TempFolder dir;
    const std::string previous =
        std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "";
    ::setenv("XDG_CONFIG_HOME", dir.fs().c_str(), 1);
    const std::string bound = dir.file("app/Brenvik·Tidewell.ini");
    {
        SettingsStore store;
        EXPECT_TRUE(store.Bind(bound, StoreMode::Registry));
        const std::string keyPath = store.SetSection(local("主界面"));
        EXPECT_TRUE(store.WriteText(local("保存模板"), "a\r\nb"));
        EXPECT_TRUE(store.WriteNumber("n", 2.5));
        EXPECT_TRUE(store.WriteBool("b", true));
        EXPECT_EQ(store.GetText(), "");
        EXPECT_FALSE(platform::fileExists(bound));

        const std::string file = dir.file("Brenvik软件/Brenvik·Tidewell/主界面.ini");
        EXPECT_EQ(fileBytes(file), "[" + keyPath + "]\r\nb=" + local("真") + "\r\nn=2.5\r\n" +
                                       local("保存模板") + "=a" + local("┊*┊") + "b");
    }
    SettingsStore again;
    again.Bind(bound, StoreMode::Registry);
    again.SetSection(local("主界面"));
    EXPECT_EQ(again.ReadText(local("保存模板"), ""), "a\r\nb");
    EXPECT_EQ(again.ReadNumber("n", 0), 2.5);
    EXPECT_TRUE(again.ReadBool("b", false));
    EXPECT_EQ(again.ReadText("missing", "d"), "d");
    again.SetSection("..");
    EXPECT_FALSE(again.WriteText("k", "v"));
    EXPECT_EQ(again.ReadText("k", "d"), "d");

    if (previous.empty()) {
        ::unsetenv("XDG_CONFIG_HOME");
    } else {
        ::setenv("XDG_CONFIG_HOME", previous.c_str(), 1);
    }
}

}  // namespace
}  // namespace tidewell::settings
