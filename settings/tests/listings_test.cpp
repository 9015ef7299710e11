#include <gtest/gtest.h>

#include <vector>

#include "platform/encoding.h"
#include "platform/event_pump.h"
#include "settings/settings_store.h"
#include "settings/tests/temp_folder.h"

namespace tidewell::settings {
namespace {

using platform::local;
using testing::TempFolder;
using List = std::vector<std::string>;

// A store in memory mode holding the text (the listings read the open file).
class Listings : public ::testing::Test {
  protected:
    void hold(const std::string& text) {
        ASSERT_TRUE(store.Bind(dir.file("missing.ini"), StoreMode::Memory));
        store.SetText(text);
    }
    TempFolder dir;
    SettingsStore store;
    List out{"stale"};
};

TEST_F(Listings, ListSectionsGivesEveryHeaderLine) {
    hold("[A]\r\na=1\r\n[B]\r\n[x]y\r\nv=[z]\r\n[A]\r\n[" + local("主界面") + "]\r\n[]");
    EXPECT_EQ(store.ListSections(out), 5);
    EXPECT_EQ(out, (List{"A", "B", "A", local("主界面"), ""}));
    EXPECT_EQ(store.ListSections(out, "A"), 2);
    EXPECT_EQ(out, (List{"A", "A"}));
    // Filters see the whole line, brackets included.
    EXPECT_EQ(store.ListSections(out, "[B", "]x"), 1);
    EXPECT_EQ(store.ListSections(out, "", "A"), 3);
    EXPECT_EQ(out, (List{"B", local("主界面"), ""}));
}

TEST_F(Listings, ListKeysInFileOrder) {
    hold("top=0\r\n[A]\r\na=1\r\nno equals\r\n=empty key\r\nb=2=3\r\n[B]\r\na=4\r\nab=5");
    EXPECT_EQ(store.ListKeys(out), 5);
    EXPECT_EQ(out, (List{"top", "a", "b", "a", "ab"}));
    EXPECT_EQ(store.ListKeys(out, "a"), 3);
    EXPECT_EQ(store.ListKeys(out, "a", "b"), 2);
    // With a section switch: the keys of the first header passing the header filters.
    EXPECT_EQ(store.ListKeys(out, "", "", "on", "B"), 2);
    EXPECT_EQ(out, (List{"a", "ab"}));
    EXPECT_EQ(store.ListKeys(out, "", "", "on", "", "A"), 2);
    EXPECT_EQ(store.ListKeys(out, "", "", "on", "[A"), 2);
    EXPECT_EQ(out, (List{"a", "b"}));
    EXPECT_EQ(store.ListKeys(out, "", "", "on", "C"), 0);
}

TEST_F(Listings, SectionsWithKeyNamesEachSectionOnce) {
    hold("k=0\r\n[A]\r\nk=1\r\nx=2\r\nk=3\r\n[B]\r\nv=[y]\r\nk=4\r\n[C]\r\nj=5");
    EXPECT_EQ(store.SectionsWithKey("k", out), 2);
    EXPECT_EQ(out, (List{"A", "B"}));
    EXPECT_EQ(store.SectionsWithKey("j", out), 1);
    EXPECT_EQ(store.SectionsWithKey("none", out), 0);
    EXPECT_TRUE(out.empty());
}

TEST_F(Listings, KeysWithValue) {
    hold("[A]\r\na=1\r\ne=\r\nb=12\r\n[B]\r\nc=1\r\nd=x=1\r\nlast=");
    EXPECT_EQ(store.KeysWithValue("1", out), 4);
    // A value holding "=" + the searched text yields a key up to its second "=".
    EXPECT_EQ(out, (List{"a", "b", "c", "d=x"}));
    EXPECT_EQ(store.KeysWithValue("1", out, "B"), 2);
    EXPECT_EQ(out, (List{"c", "d=x"}));
    // Empty values, except on the last line.
    EXPECT_EQ(store.KeysWithValue("", out), 1);
    EXPECT_EQ(out, (List{"e"}));
}

TEST_F(Listings, FileListingsNeedAnOpenFile) {
    store.Bind("unused", StoreMode::Registry);
    store.SetText("[A]\r\na=1");
    EXPECT_EQ(store.ListSections(out), 0);
    EXPECT_EQ(store.ListKeys(out), 0);
    EXPECT_TRUE(out.empty());
    // The in-memory searches still work.
    EXPECT_EQ(store.SectionsWithKey("a", out), 1);
}

TEST_F(Listings, LetWindowEventsRunBetweenLines) {
    hold("[A]\r\na=1\r\n[B]");
    int yields = 0;
    platform::ScopedEventPump pump([&] { ++yields; });
    store.ListSections(out);
    EXPECT_GE(yields, 3);
}

}  // namespace
}  // namespace tidewell::settings
