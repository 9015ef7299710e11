#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <span>
#include <vector>

#include "platform/encoding.h"
#include "platform/event_pump.h"
#include "platform/files.h"
#include "settings/settings_store.h"
#include "settings/tests/temp_folder.h"

namespace tidewell::settings {
namespace {

using platform::local;
using testing::fileBytes;
using testing::TempFolder;

// The file on disk must hold the text in memory after every change.
void expectOnDisk(const SettingsStore& store, const std::string& path) {
    EXPECT_EQ(fileBytes(path), store.GetText());
}

TEST(SettingsStore, FirstSaveOfTheMainWindowIsByteExact) {
    TempFolder dir;
    const std::string path = dir.file("Brenvik·Tidewell.ini");
    const std::string list = local("http://news.example/a.shtml\r\nhttp://news.example/b.shtml");
    {
        SettingsStore store;
        ASSERT_TRUE(store.Bind(path, StoreMode::File));
        store.SetSection(local("主界面"));
        const std::pair<const char*, const char*> values[] = {
            {"保存模板", "#评论#\r\n#时间#"},
            {"页延时秒", "0"},
            {"采集页数", "全部"},
            {"几条保存", "全部"},
            {"保存目录", ""},
            {"评论最少", "0"},
            {"评论最多", "200"},
        };
        for (const auto& [key, value] : values) {
            EXPECT_TRUE(store.WriteText(local(key), local(value))) << key;
            expectOnDisk(store, path);
        }
        EXPECT_TRUE(store.WriteBytes(local("列表"), list));
    }
    const auto expected = platform::readWholeFile(TIDEWELL_SETTINGS_TEST_DATA "/first_save.ini");
    ASSERT_TRUE(expected.has_value());
    EXPECT_EQ(fileBytes(path), *expected);
    EXPECT_EQ(fileBytes(dir.file("inibin/主界面-列表.ibn")), list);

    // The next start reads everything back, line breaks included.
    SettingsStore store;
    ASSERT_TRUE(store.Bind(path, StoreMode::File));
    store.SetSection(local("主界面"));
    EXPECT_EQ(store.ReadText(local("保存模板"), "x"), local("#评论#\r\n#时间#"));
    EXPECT_EQ(store.ReadText(local("保存目录"), local("不填则当前程序目录")), "");
    EXPECT_EQ(store.ReadText(local("采集页数"), "x"), local("全部"));
    EXPECT_EQ(store.ReadBytes(local("列表"), "sample"), list);
}

struct ReadCase {
    const char* what;
    std::string text;
    std::string section;
    std::string key;
    std::optional<std::string> value;
};

TEST(SettingsStore, ReadValueFindsOnlyWhatTheFormatAllows) {
    const ReadCase cases[] = {
        {"plain", "[S]\r\na=1", "S", "a", "1"},
        {"value ends at CR LF", "[S]\r\na=1\r\nb=2", "S", "a", "1"},
        {"empty value", "[S]\r\na=\r\nb=2", "S", "a", ""},
        {"lone CR and LF belong to the value", "[S]\r\na=x\ry\nz\r\nb=1", "S", "a", "x\ry\nz"},
        {"empty section before another", "[S]\r\n[T]\r\nk=1", "S", "k", std::nullopt},
        {"key of the next section", "[S]\r\na=1\r\n[T]\r\nk=1", "S", "k", std::nullopt},
        {"spaces around =", "[S]\r\na = 1", "S", "a", std::nullopt},
        {"key with its space", "[S]\r\na = 1", "S", "a ", " 1"},
        {"letter case matters", "[S]\r\nA=1", "S", "a", std::nullopt},
        {"section name inside a value", "[T]\r\nx=[S]\r\na=1", "S", "a", std::nullopt},
        {"second header of a section", "[S]\r\nb=1\r\n[S]\r\na=2", "S", "a", std::nullopt},
        {"first line of a key", "[S]\r\na=1\r\na=2", "S", "a", "1"},
        {"header at position 1", "x[S]\r\na=1", "S", "a", std::nullopt},
        {"entry before the first header", "a=1\r\n[S]\r\nb=2", "S", "a", std::nullopt},
        {"LF line ends", "[S]\na=1", "S", "a", std::nullopt},
        {"bytes after the ] of a header", "[S]junk\r\na=1", "S", "a", "1"},
        {"header line with a CR LF inside", "[S]\r\n[x\r\ny]\r\na=1", "S", "a", "1"},
        {"empty section name", "[]\r\nk=v", "", "k", "v"},
        {"missing section", "[S]\r\na=1", "T", "a", std::nullopt},
    };
    for (const ReadCase& c : cases) {
        SettingsStore store;
        store.SetText(c.text);
        EXPECT_EQ(store.ReadValue(c.section, c.key, "<default>"), c.value.value_or("<default>"))
            << c.what;
    }
}

TEST(SettingsStore, EmptyValueReadsAsDefaultOnlyWhenAsked) {
    SettingsStore store;
    store.SetText("[S]\r\na=");
    EXPECT_EQ(store.ReadValue("S", "a", "d", false), "");
    EXPECT_EQ(store.ReadValue("S", "a", "d", true), "d");
}

struct ChangeCase {
    const char* what;
    std::string text;
    std::string first;
    std::string second;
    std::string third;
    int result;
    std::string after;
};

// Runs the change on a store holding each case's text; checks the result code and the text after.
template <typename Change>
void expectChanges(std::span<const ChangeCase> cases, Change change) {
    for (const ChangeCase& c : cases) {
        SettingsStore store;
        store.SetText(c.text);
        EXPECT_EQ(change(store, c), c.result) << c.what;
        EXPECT_EQ(store.GetText(), c.after) << c.what;
    }
}

TEST(SettingsStore, WriteValueInsertsUnderTheHeaderAndAppendsSections) {
    const ChangeCase cases[] = {
        {"empty text", "", "S", "a", "1", kDone, "[S]\r\na=1"},
        {"newest key first", "[S]\r\na=1", "S", "b", "2", kDone, "[S]\r\nb=2\r\na=1"},
        {"longer value", "[S]\r\na=1\r\nb=2", "S", "a", "100", kDone, "[S]\r\na=100\r\nb=2"},
        {"shorter value", "[S]\r\na=100\r\nb=2", "S", "a", "", kDone, "[S]\r\na=\r\nb=2"},
        {"last line", "[S]\r\na=1", "S", "a", "22", kDone, "[S]\r\na=22"},
        {"new section at the end", "[S]\r\na=1", "T", "k", "v", kDone, "[S]\r\na=1\r\n[T]\r\nk=v"},
        {"empty section before another", "[S]\r\n[T]\r\nk=1", "S", "k", "2", kDone,
         "[S]\r\nk=2\r\n[T]\r\nk=1"},
        {"header not at a line start", "x[S]\r\na=1", "S", "a", "2", kDone,
         "x[S]\r\na=1\r\n[S]\r\na=2"},
        {"spaces around =", "[S]\r\na = 1", "S", "a", "2", kDone, "[S]\r\na=2\r\na = 1"},
        {"LF line ends", "[S]\na=1", "S", "a", "2", kDone, "[S]\na=1\r\na=2"},
        {"bytes after the ] of a header", "[S]junk\r\nb=1", "S", "a", "2", kDone,
         "[S]junk\r\na=2\r\nb=1"},
        {"empty section name", "", "", "k", "v", kDone, "[]\r\nk=v"},
        {"CR LF in a value", "[S]\r\na=1", "S", "a", "x\r\n[T]", kFailed, "[S]\r\na=1"},
        {"CR LF in a key", "[S]\r\na=1", "S", "a\r\nb", "x", kFailed, "[S]\r\na=1"},
        {"CR LF in a section", "", "S\r\nT", "a", "x", kFailed, ""},
    };
    expectChanges(cases, [](SettingsStore& store, const ChangeCase& c) {
        return store.WriteValue(c.first, c.second, c.third);
    });
}

TEST(SettingsStore, DeleteEntryRemovesKeysAndSections) {
    const ChangeCase cases[] = {
        {"last section", "[A]\r\na=1\r\n[B]\r\nb=2", "B", "", "", kDone, "[A]\r\na=1\r\n"},
        {"middle section", "[A]\r\na=1\r\n[B]\r\nb=2\r\n[C]\r\nc=3", "B", "", "", kDone,
         "[A]\r\na=1\r\n[C]\r\nc=3"},
        {"first section", "[A]\r\na=1\r\n[B]\r\nb=2", "A", "", "", kDone, "[B]\r\nb=2"},
        {"key on the last line", "[A]\r\na=1\r\nb=2", "A", "b", "", kDone, "[A]\r\na=1"},
        {"key in the middle", "[A]\r\na=1\r\nb=2", "A", "a", "", kDone, "[A]\r\nb=2"},
        {"missing key", "[A]\r\na=1", "A", "x", "", kKeyNotFound, "[A]\r\na=1"},
        {"missing section", "[A]\r\na=1", "B", "a", "", kSectionNotFound, "[A]\r\na=1"},
        {"key of the next section", "[S]\r\n[T]\r\nk=1", "S", "k", "", kKeyNotFound,
         "[S]\r\n[T]\r\nk=1"},
        {"header at position 1", "x[S]\r\na=1", "S", "a", "", kDone, "x[S]"},
        {"empty last section stays", "[S]\r\na=1\r\n[T]", "S", "", "", kDone, "[T]"},
    };
    expectChanges(cases, [](SettingsStore& store, const ChangeCase& c) {
        return store.DeleteEntry(c.first, c.second);
    });
}

TEST(SettingsStore, RenameSectionAndKey) {
    const ChangeCase sections[] = {
        {"rename", "[A]\r\na=1", "A", "B", "", kDone, "[B]\r\na=1"},
        {"missing", "[A]\r\na=1", "X", "B", "", kSectionNotFound, "[A]\r\na=1"},
        {"header at position 1", "x[A]\r\na=1", "A", "B", "", kDone, "x[B]\r\na=1"},
        {"new name taken", "[A]\r\n[B]", "A", "B", "", kDone, "[B]\r\n[B]"},
        {"CR LF in the new name", "[A]", "A", "B\r\n", "", kFailed, "[A]"},
    };
    expectChanges(sections, [](SettingsStore& store, const ChangeCase& c) {
        return store.RenameSection(c.first, c.second);
    });
    const ChangeCase keys[] = {
        {"rename", "[S]\r\na=1\r\nb=2", "S", "b", "c", kDone, "[S]\r\na=1\r\nc=2"},
        {"missing section", "[S]\r\na=1", "T", "a", "b", kSectionNotFound, "[S]\r\na=1"},
        {"missing key", "[S]\r\na=1", "S", "x", "b", kKeyNotFound, "[S]\r\na=1"},
        {"key of the next section", "[S]\r\n[T]\r\nk=1", "S", "k", "m", kKeyNotFound,
         "[S]\r\n[T]\r\nk=1"},
        {"header at position 1", "x[S]\r\na=1", "S", "a", "b", kDone, "x[S]\r\nb=1"},
    };
    expectChanges(keys, [](SettingsStore& store, const ChangeCase& c) {
        return store.RenameKey(c.first, c.second, c.third);
    });
}

TEST(SettingsStore, FindHeaderBetween) {
    struct Case {
        std::string text;
        std::ptrdiff_t from;
        std::ptrdiff_t to;
        std::ptrdiff_t expected;
    };
    const std::string two = "[A]\r\na=1\r\n[B]\r\nb=2";  // "[B]" at 10
    const Case cases[] = {
        {two, 0, static_cast<std::ptrdiff_t>(two.size()), 10},
        {two, 0, 8, -1},  // its CR LF starts at the bound
        {two, 0, 9, -1},  // its "]" lies after the bound
        {two, 0, 12, 10},
        {two, 11, 100, -1},
        {"[A]\r\n[y\r\nz]\r\n[B]\r\n", 0, 100, 13},  // "[y" is closed on another line
        {"[A]\r\na=1\r\n[B]", 0, 100, 10},           // a header on the last line
        {"[A]\r\na=[x]", 0, 100, -1},
    };
    for (const Case& c : cases) {
        SettingsStore store;
        store.SetText(c.text);
        EXPECT_EQ(store.FindHeaderBetween(c.from, c.to), c.expected) << c.text << " " << c.to;
    }
}

TEST(SettingsStore, FileIsCurrentAfterEveryChange) {
    TempFolder dir;
    const std::string path = dir.file("s.ini");
    SettingsStore store;
    ASSERT_TRUE(store.Bind(path, StoreMode::File));
    EXPECT_EQ(fileBytes(path), "");  // created empty at binding
    EXPECT_EQ(store.ReadValue("S", "a", "d"), "d");
    EXPECT_EQ(store.WriteValue("S", "a", "1"), kDone);
    EXPECT_EQ(fileBytes(path), "[S]\r\na=1");
    EXPECT_EQ(store.WriteValue("S", "b", "2"), kDone);
    EXPECT_EQ(store.WriteValue("S", "c", "3"), kDone);
    EXPECT_EQ(fileBytes(path), "[S]\r\nc=3\r\nb=2\r\na=1");
    EXPECT_EQ(store.WriteValue("T", "x", "y"), kDone);
    EXPECT_EQ(store.RenameKey("S", "b", "bb"), kDone);
    expectOnDisk(store, path);
    EXPECT_EQ(store.RenameSection("T", "U"), kDone);
    expectOnDisk(store, path);
    EXPECT_EQ(store.DeleteEntry("S", "c"), kDone);
    expectOnDisk(store, path);
    EXPECT_EQ(store.DeleteEntry("U", ""), kDone);
    EXPECT_EQ(fileBytes(path), "[S]\r\nbb=2\r\na=1\r\n");
    store.SetText("[Z]", true);
    EXPECT_EQ(fileBytes(path), "[S]\r\nbb=2\r\na=1\r\n[Z]");
    store.SetText("[Y]");
    EXPECT_EQ(fileBytes(path), "[Y]");
    EXPECT_EQ(store.GetPath(), path);
}

TEST(SettingsStore, TypedWritesBeforeAnySectionUseTheEmptyName) {
    SettingsStore store;
    EXPECT_TRUE(store.WriteText("k", "v"));
    EXPECT_EQ(store.GetText(), "[]\r\nk=v");
}

TEST(SettingsStore, SetSectionBuildsTheRegistryPath) {
    SettingsStore store;
    store.Bind("/opt/tidewell/" + local("Brenvik·Tidewell.ini"), StoreMode::Registry);
    EXPECT_EQ(store.SetSection(local("主界面")), local("Brenvik软件\\Brenvik·Tidewell\\主界面\\"));
    store.Bind("plain", StoreMode::Registry);
    EXPECT_EQ(store.SetSection("S"), local("Brenvik软件\\plain\\S\\"));
    EXPECT_EQ(store.CurrentSection(), "S");
}

TEST(SettingsStore, ChangeRequestedDuringAYieldIsQueued) {
    TempFolder dir;
    const std::string path = dir.file("s.ini");
    SettingsStore store;
    ASSERT_TRUE(store.Bind(path, StoreMode::File));
    std::vector<int> nested;
    std::vector<std::string> seen;
    platform::ScopedEventPump pump([&] {
        seen.push_back(fileBytes(path));
        if (nested.empty()) {
            nested.push_back(store.WriteValue("S", "b", "2"));
            nested.push_back(store.RenameKey("S", "a", "aa"));
            nested.push_back(store.ProcessQueue());  // no second worker while one runs
        }
    });
    EXPECT_EQ(store.WriteValue("S", "a", "1"), kDone);
    EXPECT_EQ(nested, (std::vector<int>{kDeferred, kDeferred, kDeferred}));
    // The file only ever held whole states, one change after the other.
    for (const std::string& state : seen) {
        EXPECT_TRUE(state == "" || state == "[S]\r\na=1" || state == "[S]\r\nb=2\r\na=1") << state;
    }
    // Carried out afterwards, in order: b went in after a, then a was renamed.
    EXPECT_EQ(fileBytes(path), "[S]\r\nb=2\r\naa=1");
    EXPECT_EQ(store.GetText(), "[S]\r\nb=2\r\naa=1");
    EXPECT_EQ(store.ProcessQueue(), kFailed);  // queue empty
}

TEST(SettingsStore, SectionThatCannotBeFoundAgainGivesUpWithAMessage) {
    TempFolder dir;
    const std::string path = dir.file("s.ini");
    SettingsStore store;
    ASSERT_TRUE(store.Bind(path, StoreMode::File));
    ASSERT_EQ(store.WriteValue("A", "a", "1"), kDone);
    struct Shown {
        std::string text;
        int flags;
        std::string title;
    };
    std::vector<Shown> shown;
    store.SetMessageHook([&](const std::string& text, int flags, const std::string& title) {
        shown.push_back({text, flags, title});
        return 1;
    });
    // A window event that keeps replacing the text (outside the queue) hides every new header.
    int yields = 0;
    platform::ScopedEventPump pump([&] {
        if (++yields > 1) {
            const std::string kept = "[A]\r\na=1";
            if (store.GetText() != kept) {
                store.SetText(kept);
            }
        }
    });
    EXPECT_EQ(store.WriteValue("B", "b", "2"), kFailed);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, local("配置模块出现意外，可能导致无法正常保存！详情请咨询Brenvik。"));
    EXPECT_EQ(shown[0].flags, 48 | 4096);
    EXPECT_EQ(shown[0].title, local("Brenvik："));
    EXPECT_EQ(shown[1].flags, 0);
    EXPECT_NE(shown[1].text.find("[B]"), std::string::npos);
    // The headers appended in vain are gone; the file holds the last complete state.
    EXPECT_EQ(store.GetText(), "[A]\r\na=1");
    EXPECT_EQ(fileBytes(path), "[A]\r\na=1");
}

TEST(SettingsStore, StoreMessageAddsModalFlagAndIcon) {
    SettingsStore store;
    EXPECT_EQ(store.StoreMessage("x", 0, ""), 0);  // no hook: nothing shown
    int flags = -1;
    std::string title;
    store.SetMessageHook([&](const std::string&, int f, const std::string& t) {
        flags = f;
        title = t;
        return 7;
    });
    EXPECT_EQ(store.StoreMessage("x", 0, ""), 7);
    EXPECT_EQ(flags, 4096 | 64);
    EXPECT_EQ(title, local("Brenvik："));
    store.StoreMessage("x", 1 | 16, "T");
    EXPECT_EQ(flags, 4096 | 16 | 1);
    EXPECT_EQ(title, "T");
}

TEST(SettingsStore, WriteThatCannotReachTheDiskFailsAndIsUndone) {
    TempFolder dir;
    const std::string path = dir.file("s.ini");
    SettingsStore store;
    ASSERT_TRUE(store.Bind(path, StoreMode::File));
    ASSERT_EQ(store.WriteValue("S", "a", "1"), kDone);
    // A folder in the file's place makes every rename over it fail.
    std::filesystem::remove(platform::fsPath(path));
    std::filesystem::create_directory(platform::fsPath(path));
    EXPECT_EQ(store.WriteValue("S", "a", "2"), kFailed);
    EXPECT_EQ(store.DeleteEntry("S", "a"), kFailed);
    EXPECT_EQ(store.GetText(), "[S]\r\na=1");
}

TEST(SettingsStore, BindFailsWithoutAWritableFileButReadsAndWritesInMemory) {
    TempFolder dir;
    SettingsStore store;
    EXPECT_FALSE(store.Bind(dir.file("missing/s.ini"), StoreMode::File));
    EXPECT_EQ(store.WriteValue("S", "a", "1"), kDone);
    EXPECT_EQ(store.ReadValue("S", "a", ""), "1");
    EXPECT_FALSE(std::filesystem::exists(dir.fs() / "missing"));

    // A folder where the file should be: nothing read, nothing written, no crash.
    std::filesystem::create_directory(dir.fs() / "d.ini");
    EXPECT_FALSE(store.Bind(dir.file("d.ini"), StoreMode::File));
    EXPECT_EQ(store.GetText(), "");
    EXPECT_FALSE(store.WriteBytes("k", "v"));
}

TEST(SettingsStore, OneWriterPerFile) {
    TempFolder dir;
    const std::string path = dir.file("s.ini");
    SettingsStore first;
    ASSERT_TRUE(first.Bind(path, StoreMode::File));
    ASSERT_EQ(first.WriteValue("S", "a", "1"), kDone);

    SettingsStore second;
    EXPECT_FALSE(second.Bind(path, StoreMode::File));
    EXPECT_EQ(second.ReadValue("S", "a", ""), "1");
    second.WriteValue("S", "a", "2");
    second.SetText("[X]");
    EXPECT_FALSE(second.SaveAs());
    EXPECT_EQ(fileBytes(path), "[S]\r\na=1");

    // Rebinding elsewhere lets the lock go.
    ASSERT_TRUE(first.Bind(dir.file("other.ini"), StoreMode::File));
    EXPECT_TRUE(second.Bind(path, StoreMode::File));
    EXPECT_EQ(second.WriteValue("S", "a", "3"), kDone);
    EXPECT_EQ(fileBytes(path), "[S]\r\na=3");
}

TEST(SettingsStore, MemoryModeWritesOnlyOnSaveAs) {
    TempFolder dir;
    const std::string path = dir.file("s.ini");
    ASSERT_TRUE(platform::writeFileAtomic(path, "[S]\r\na=1"));
    SettingsStore store;
    ASSERT_TRUE(store.Bind(path, StoreMode::Memory));
    EXPECT_EQ(store.WriteValue("S", "b", "2"), kDone);
    EXPECT_EQ(fileBytes(path), "[S]\r\na=1");
    EXPECT_TRUE(store.SaveAs());
    EXPECT_EQ(fileBytes(path), "[S]\r\nb=2\r\na=1");
    EXPECT_TRUE(store.SaveAs(dir.file("copy.ini")));
    EXPECT_EQ(fileBytes(dir.file("copy.ini")), "[S]\r\nb=2\r\na=1");
    store.SetText("[Other]");
    store.Reload();
    EXPECT_EQ(store.GetText(), "[S]\r\nb=2\r\na=1");

    // A file that a store holds in file mode is not overwritten behind its back.
    SettingsStore holder;
    ASSERT_TRUE(holder.Bind(path, StoreMode::File));
    EXPECT_FALSE(store.SaveAs());
    EXPECT_TRUE(holder.SaveAs());
}

TEST(SettingsStore, BindingClearsTemporariesLeftByAnInterruptedWrite) {
    TempFolder dir;
    const std::string path = dir.file("s.ini");
    ASSERT_TRUE(platform::writeFileAtomic(path + ".tmp123-456", "half"));
    ASSERT_TRUE(platform::writeFileAtomic(path + ".tmpnote", "not ours"));
    ASSERT_TRUE(platform::createDirectories(dir.file("inibin")));
    const std::string side = dir.file("inibin/S-k.ibn");
    ASSERT_TRUE(platform::writeFileAtomic(side + ".tmp9-8", "half"));
    ASSERT_TRUE(platform::writeFileAtomic(dir.file("inibin/notes.txt.tmp9-8"), "not ours"));
    SettingsStore store;
    ASSERT_TRUE(store.Bind(path, StoreMode::File));
    EXPECT_FALSE(platform::fileExists(path + ".tmp123-456"));
    EXPECT_TRUE(platform::fileExists(path + ".tmpnote"));
    EXPECT_FALSE(platform::fileExists(side + ".tmp9-8"));
    EXPECT_TRUE(platform::fileExists(dir.file("inibin/notes.txt.tmp9-8")));
}

}  // namespace
}  // namespace tidewell::settings
