#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <vector>

#include "platform/encoding.h"
#include "platform/event_pump.h"
#include "settings/control_access.h"
#include "settings/settings_store.h"
#include "settings/tests/temp_folder.h"

namespace tidewell::settings {
namespace {

using platform::local;
using testing::fileBytes;
using testing::TempFolder;

// A control that holds its properties in plain fields and logs how the store touches its list.
class FakeControl : public Control {
  public:
    FakeControl(std::string name, ControlKind kind) : name_(std::move(name)), kind_(kind) {}

    std::string name() const override { return name_; }
    ControlKind kind() const override { return kind_; }
    std::string tag() const override { return tag_; }
    void setTag(const std::string& tag) override { tag_ = tag; }
    std::string caption() const override { return caption_; }
    bool checked() const override { return checked_; }
    void setChecked(bool on) override { checked_ = on; }
    std::string text() const override { return text_; }
    void setText(const std::string& text) override { text_ = text; }

    // Items travel as one block, joined by LF; a new list drops marks and selection.
    std::string items() const override {
        std::string block;
        for (const std::string& item : items_) {
            block += item + "\n";
        }
        return block;
    }
    void setItems(const std::string& block) override {
        log.push_back("items");
        if (block == items()) {
            return;
        }
        items_.clear();
        std::size_t pos = 0;
        for (std::size_t lf; (lf = block.find('\n', pos)) != std::string::npos; pos = lf + 1) {
            items_.push_back(block.substr(pos, lf - pos));
        }
        marks.clear();
        selection.clear();
        current_ = -1;
    }
    int itemCount() const override { return static_cast<int>(items_.size()); }
    int currentIndex() const override { return current_; }
    void setCurrentIndex(int index) override {
        log.push_back("index");
        current_ = index;
    }
    bool isItemChecked(int index) const override { return marks.count(index) != 0; }
    void setItemChecked(int index, bool on) override {
        if (on) {
            marks.insert(index);
        } else {
            marks.erase(index);
        }
    }
    std::vector<int> selectedItems() const override { return selection; }
    void setItemSelected(int index, bool on) override {
        selection.erase(std::remove(selection.begin(), selection.end(), index), selection.end());
        if (on) {
            selection.push_back(index);
        }
    }
    int colour() const override { return colour_; }
    void setColour(int colour) override { colour_ = colour; }

    std::string name_;
    ControlKind kind_;
    std::string tag_;
    std::string caption_;
    bool checked_ = false;
    std::string text_;
    std::vector<std::string> items_;
    int current_ = -1;
    std::set<int> marks;
    std::vector<int> selection;
    int colour_ = 0;
    std::vector<std::string> log;
};

class FakeWindow : public Window {
  public:
    FakeControl& add(const char* utf8Name, ControlKind kind) {
        owned_.push_back(std::make_unique<FakeControl>(local(utf8Name), kind));
        return *owned_.back();
    }
    std::vector<Control*> controls() override {
        std::vector<Control*> all;
        for (auto& c : owned_) {
            all.push_back(c.get());
        }
        return all;
    }
    int placementState() const override { return state; }
    void setPlacementState(int s) override { state = s; }
    WindowGeometry geometry() const override { return place; }
    void setGeometry(const WindowGeometry& g) override {
        place = g;
        ++moves;
    }

    int state = kPlacementNormal;
    WindowGeometry place{10, 20, 300, 200};
    int moves = 0;

  private:
    std::vector<std::unique_ptr<FakeControl>> owned_;
};

class ControlPersistence : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(store.Bind(dir.file("s.ini"), StoreMode::File));
        store.SetSection("W");
    }
    std::string stored(const char* utf8Key) { return store.ReadValue("W", local(utf8Key), "-"); }

    TempFolder dir;
    SettingsStore store;
};

TEST_F(ControlPersistence, CheckListKeepsItemsSelectionAndMarks) {
    FakeControl list(local("选择列表框1"), ControlKind::CheckList);
    list.items_ = {"x", "y", "z"};
    list.marks = {0, 2};
    list.current_ = 1;
    store.SaveCheckList(list);
    EXPECT_EQ(stored("选择列表框1.打勾"), "0,2");
    EXPECT_EQ(stored("选择列表框1.选中"), "1");
    EXPECT_EQ(fileBytes(dir.file("inibin/W-选择列表框1.ibn")), "x\ny\nz\n");

    FakeControl fresh(local("选择列表框1"), ControlKind::CheckList);
    store.LoadCheckList(fresh);
    EXPECT_EQ(fresh.items_, list.items_);
    EXPECT_EQ(fresh.current_, 1);
    EXPECT_EQ(fresh.marks, (std::set<int>{0, 2}));

    // Items not listed keep their mark; listed indices beyond the list are passed over.
    store.WriteText(local("选择列表框1.打勾"), "2,7,x,-1");
    fresh.marks = {1};
    store.LoadCheckList(fresh);
    EXPECT_EQ(fresh.marks, (std::set<int>{1, 2}));
}

TEST_F(ControlPersistence, ListBoxWithoutSelection) {
    FakeControl list(local("列表框1"), ControlKind::ListBox);
    list.items_ = {"a", "b", "c"};
    store.SaveListBox(list);
    EXPECT_EQ(stored("列表框1.选中"), "");
    list.selection = {1};
    store.LoadListBox(list);
    EXPECT_EQ(list.selection, (std::vector<int>{1}));

    list.selection = {2, 0};
    store.SaveListBox(list);
    EXPECT_EQ(stored("列表框1.选中"), "2,0");
    list.selection.clear();
    store.LoadListBox(list);
    EXPECT_EQ(list.selection, (std::vector<int>{2, 0}));
}

TEST_F(ControlPersistence, SingleControls) {
    FakeControl item("menu", ControlKind::MenuItem);
    item.caption_ = local("自动保存");
    item.checked_ = true;
    EXPECT_TRUE(store.SaveMenuItem(item));
    EXPECT_EQ(stored("自动保存"), local("真"));
    item.checked_ = false;
    EXPECT_TRUE(store.LoadMenuItem(item));

    FakeControl picker(local("颜色选择器1"), ControlKind::ColourPicker);
    store.WriteValue("W", picker.name(), "1193046.9");
    store.LoadColourPicker(picker);
    EXPECT_EQ(picker.colour_, 1193046);

    FakeControl edit(local("编辑框1"), ControlKind::EditBox);
    edit.text_ = "kept";
    store.LoadEditBox(edit);  // nothing stored: the control keeps what it shows
    EXPECT_EQ(edit.text_, "kept");
    store.WriteBytes(edit.name(), std::string("cut\0here", 8));
    store.LoadEditBox(edit, true);
    EXPECT_EQ(edit.text_, "cut");
}

TEST_F(ControlPersistence, PersistControlsChoosesTheKindByName) {
    FakeWindow window;
    FakeControl& button = window.add("按钮1", ControlKind::Button);
    button.tag_ = "go";
    FakeControl& edit = window.add("编辑框", ControlKind::EditBox);
    edit.text_ = "two\r\nlines";
    FakeControl& bytesEdit = window.add("编辑框字节", ControlKind::EditBox);
    bytesEdit.tag_ = local("字节集方式");
    bytesEdit.text_ = "raw";
    FakeControl& never = window.add("编辑框禁止", ControlKind::EditBox);
    never.tag_ = local("禁止保存");
    never.text_ = "private";
    FakeControl& excluded = window.add("编辑框排除", ControlKind::EditBox);
    excluded.text_ = "excluded";
    FakeControl& other = window.add("文本1", ControlKind::EditBox);
    other.text_ = "other";
    FakeControl& mismatch = window.add("编辑框假", ControlKind::CheckBox);
    FakeControl& check = window.add("选择框1", ControlKind::CheckBox);
    check.checked_ = true;
    FakeControl& radio = window.add("单选框1", ControlKind::RadioButton);
    radio.checked_ = true;
    FakeControl& combo = window.add("组合框1", ControlKind::ComboBox);
    combo.items_ = {"a", "b", "c"};
    combo.current_ = 2;
    combo.text_ = "typed";
    FakeControl& colour = window.add("颜色选择器1", ControlKind::ColourPicker);
    colour.colour_ = 0x123456;
    const std::vector<std::string> excludedNames = {local("编辑框排除")};

    int yields = 0;
    platform::ScopedEventPump pump([&] { ++yields; });
    store.PersistControls(window, false, local("窗口"), excludedNames, true, true);
    EXPECT_GE(yields, 11);
    EXPECT_EQ(store.CurrentSection(), local("窗口"));

    auto value = [&](const char* key) { return store.ReadValue(local("窗口"), local(key), "-"); };
    EXPECT_EQ(value("按钮1.标记"), "go");
    EXPECT_EQ(value("编辑框"), "two" + local("┊*┊") + "lines");
    EXPECT_EQ(value("编辑框字节"), "-");
    EXPECT_EQ(fileBytes(dir.file("inibin/窗口-编辑框字节.ibn")), "raw");
    EXPECT_EQ(value("编辑框禁止"), "-");
    EXPECT_EQ(value("编辑框排除"), "-");
    EXPECT_EQ(value("文本1"), "-");
    EXPECT_EQ(value("编辑框假"), "-");
    EXPECT_EQ(value("选择框1"), local("真"));
    EXPECT_EQ(value("单选框1"), local("真"));
    EXPECT_EQ(value("组合框1"), "2");
    EXPECT_EQ(value("组合框1.内容"), "typed");
    EXPECT_EQ(fileBytes(dir.file("inibin/窗口-组合框1.列表.ibn")), "a\nb\nc\n");
    EXPECT_EQ(value("颜色选择器1"), std::to_string(0x123456));

    for (FakeControl* c : {&button, &edit, &bytesEdit, &never, &excluded, &other, &mismatch, &check,
                           &radio, &combo, &colour}) {
        c->tag_ = c->tag_ == local("禁止保存") || c->tag_ == local("字节集方式") ? c->tag_ : "";
        c->text_ = "changed";
        c->checked_ = false;
        c->items_.clear();
        c->current_ = -1;
        c->colour_ = 0;
        c->log.clear();
    }
    store.SetSection("elsewhere");
    store.PersistControls(window, true, local("窗口"), excludedNames, true, true);
    EXPECT_EQ(button.tag_, "go");
    EXPECT_EQ(edit.text_, "two\r\nlines");
    EXPECT_EQ(bytesEdit.text_, "raw");
    EXPECT_EQ(never.text_, "changed");
    EXPECT_EQ(excluded.text_, "changed");
    EXPECT_EQ(other.text_, "changed");
    EXPECT_TRUE(check.checked_);
    EXPECT_TRUE(radio.checked_);
    EXPECT_EQ(combo.items_, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(combo.text_, "typed");
    EXPECT_EQ(colour.colour_, 0x123456);
    // The item list comes back before the selection, which a new list would otherwise reset.
    EXPECT_EQ(combo.log, (std::vector<std::string>{"items", "index"}));
    EXPECT_EQ(combo.current_, 2);
}

TEST_F(ControlPersistence, MaximisedWindowKeepsOnlyItsState) {
    FakeWindow window;
    window.state = kPlacementMaximised;
    store.SaveWindowGeometry(window);
    EXPECT_EQ(store.CurrentSection(), local("主界面.尺寸"));
    EXPECT_EQ(store.GetText(), "[" + local("主界面.尺寸") + "]\r\n" + local("位置") + "=3");

    FakeWindow later;
    later.place = {1, 2, 3, 4};
    store.LoadWindowGeometry(later);
    EXPECT_EQ(later.state, kPlacementMaximised);
    EXPECT_EQ(later.place, (WindowGeometry{1, 2, 3, 4}));
    EXPECT_EQ(later.moves, 0);
}

TEST_F(ControlPersistence, NormalWindowKeepsPlaceAndSize) {
    FakeWindow window;
    window.place = {-5, 40, 640, 480};
    store.SaveWindowGeometry(window, "Dialog");
    EXPECT_EQ(store.CurrentSection(), local("Dialog.尺寸"));

    FakeWindow later;
    store.LoadWindowGeometry(later, "Dialog");
    EXPECT_EQ(later.state, kPlacementNormal);
    EXPECT_EQ(later.place, (WindowGeometry{-5, 40, 640, 480}));

    // Nothing stored: the window stays where it is.
    FakeWindow untouched;
    store.LoadWindowGeometry(untouched, "Other");
    EXPECT_EQ(untouched.state, kPlacementNormal);
    EXPECT_EQ(untouched.place, (WindowGeometry{10, 20, 300, 200}));
}

}  // namespace
}  // namespace tidewell::settings
