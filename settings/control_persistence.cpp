// The control and window operations of SettingsStore: each control kind keeps its
// characteristic property under a key made from the control's name, in the current section.

#include <algorithm>
#include <charconv>

#include "platform/encoding.h"
#include "platform/event_pump.h"
#include "settings/settings_store.h"
#include "settings/value_forms.h"

namespace tidewell::settings {
namespace {

struct Words {
    std::string selected = platform::local(".选中");
    std::string ticked = platform::local(".打勾");
    std::string list = platform::local(".列表");
    std::string content = platform::local(".内容");
    std::string tag = platform::local(".标记");
    std::string neverSave = platform::local("禁止保存");
    std::string bytesMode = platform::local("字节集方式");
    std::string mainWindow = platform::local("主界面");
    std::string size = platform::local(".尺寸");
    std::string placement = platform::local("位置");
    std::string left = platform::local("左边");
    std::string top = platform::local("顶边");
    std::string width = platform::local("宽度");
    std::string height = platform::local("高度");
};

const Words& words() {
    static const Words w;
    return w;
}

// The kinds a control's name tells, tested in this order on the leading bytes of the name.
struct KindPrefix {
    std::string prefix;
    ControlKind kind;
};

const std::vector<KindPrefix>& kindPrefixes() {
    static const std::vector<KindPrefix> prefixes = {
        {platform::local("按钮"), ControlKind::Button},
        {platform::local("编辑框"), ControlKind::EditBox},
        {platform::local("选择框"), ControlKind::CheckBox},
        {platform::local("单选框"), ControlKind::RadioButton},
        {platform::local("组合框"), ControlKind::ComboBox},
        {platform::local("列表框"), ControlKind::ListBox},
        {platform::local("选择列表框"), ControlKind::CheckList},
        {platform::local("颜色选择器"), ControlKind::ColourPicker},
    };
    return prefixes;
}

ControlKind kindOfName(const std::string& name) {
    for (const KindPrefix& p : kindPrefixes()) {
        if (name.starts_with(p.prefix)) {
            return p.kind;
        }
    }
    return ControlKind::Other;
}

// Item indices counted from 0, joined by "," without spaces.
std::string joinIndices(const std::vector<int>& indices) {
    std::string out;
    for (int i : indices) {
        if (!out.empty()) {
            out += ',';
        }
        out += std::to_string(i);
    }
    return out;
}

// The listed indices that name an item of the control; anything else is passed over.
std::vector<int> splitIndices(const std::string& list, int itemCount) {
    std::vector<int> indices;
    std::size_t pos = 0;
    while (pos < list.size()) {
        std::size_t comma = list.find(',', pos);
        std::size_t end = comma == std::string::npos ? list.size() : comma;
        std::string_view member(list.data() + pos, end - pos);
        while (!member.empty() && member.front() == ' ') {
            member.remove_prefix(1);
        }
        if (!member.empty() && member.front() >= '0' && member.front() <= '9') {
            int index = wholeNumber(parseLeadingNumber(member));
            if (index >= 0 && index < itemCount) {
                indices.push_back(index);
            }
        }
        pos = end + 1;
    }
    return indices;
}

std::string upToFirstZero(std::string bytes) {
    if (std::size_t nul = bytes.find('\0'); nul != std::string::npos) {
        bytes.resize(nul);
    }
    return bytes;
}

std::string geometrySection(const std::string& name) {
    return (name.empty() ? words().mainWindow : name) + words().size;
}

}  // namespace

bool SettingsStore::SaveMenuItem(Control& item) {
    return WriteBool(item.caption(), item.checked());
}

bool SettingsStore::LoadMenuItem(Control& item) {
    item.setChecked(ReadBool(item.caption(), item.checked()));
    return item.checked();
}

bool SettingsStore::SaveCheckBox(Control& box) {
    return WriteBool(box.name(), box.checked());
}

bool SettingsStore::LoadCheckBox(Control& box) {
    box.setChecked(ReadBool(box.name(), box.checked()));
    return box.checked();
}

bool SettingsStore::SaveEditBox(Control& box, bool bytesMode) {
    return bytesMode ? WriteBytes(box.name(), box.text()) : WriteText(box.name(), box.text());
}

void SettingsStore::LoadEditBox(Control& box, bool bytesMode) {
    box.setText(bytesMode ? upToFirstZero(ReadBytes(box.name(), box.text()))
                          : ReadText(box.name(), box.text()));
}

void SettingsStore::SaveCheckList(Control& list, bool withSelection) {
    const std::string name = list.name();
    WriteBytes(name, list.items());
    if (!withSelection) {
        return;
    }
    WriteNumber(name + words().selected, list.currentIndex());
    std::vector<int> checkedItems;
    for (int i = 0; i < list.itemCount(); ++i) {
        if (list.isItemChecked(i)) {
            checkedItems.push_back(i);
        }
        platform::pumpEvents();
    }
    WriteText(name + words().ticked, joinIndices(checkedItems));
}

void SettingsStore::LoadCheckList(Control& list, bool withSelection) {
    const std::string name = list.name();
    std::string currentChecks;
    if (withSelection) {
        std::vector<int> checkedItems;
        for (int i = 0; i < list.itemCount(); ++i) {
            if (list.isItemChecked(i)) {
                checkedItems.push_back(i);
            }
        }
        currentChecks = joinIndices(checkedItems);
    }
    list.setItems(ReadBytes(name, list.items()));
    if (!withSelection) {
        return;
    }
    list.setCurrentIndex(wholeNumber(ReadNumber(name + words().selected, list.currentIndex())));
    // Items not listed keep their mark.
    for (int i : splitIndices(ReadText(name + words().ticked, currentChecks), list.itemCount())) {
        list.setItemChecked(i, true);
        platform::pumpEvents();
    }
}

bool SettingsStore::SaveComboItems(Control& combo) {
    return WriteBytes(combo.name() + words().list, combo.items());
}

void SettingsStore::LoadComboItems(Control& combo) {
    combo.setItems(ReadBytes(combo.name() + words().list, combo.items()));
}

void SettingsStore::SaveListBox(Control& list, bool withSelection) {
    const std::string name = list.name();
    WriteBytes(name, list.items());
    if (!withSelection) {
        return;
    }
    std::vector<int> selected;
    for (int i : list.selectedItems()) {
        selected.push_back(i);
        platform::pumpEvents();
    }
    WriteText(name + words().selected, joinIndices(selected));
}

void SettingsStore::LoadListBox(Control& list, bool withSelection) {
    const std::string name = list.name();
    const std::string currentSelection = withSelection ? joinIndices(list.selectedItems()) : "";
    list.setItems(ReadBytes(name, list.items()));
    if (!withSelection) {
        return;
    }
    // Items not listed keep their selection.
    for (int i :
         splitIndices(ReadText(name + words().selected, currentSelection), list.itemCount())) {
        list.setItemSelected(i, true);
        platform::pumpEvents();
    }
}

bool SettingsStore::SaveComboSelection(Control& combo) {
    return WriteNumber(combo.name(), combo.currentIndex());
}

void SettingsStore::LoadComboSelection(Control& combo) {
    combo.setCurrentIndex(wholeNumber(ReadNumber(combo.name(), combo.currentIndex())));
}

bool SettingsStore::SaveComboContent(Control& combo) {
    return WriteText(combo.name() + words().content, combo.text());
}

void SettingsStore::LoadComboContent(Control& combo) {
    combo.setText(ReadText(combo.name() + words().content, combo.text()));
}

bool SettingsStore::SaveButtonTag(Control& button, bool bytesMode) {
    const std::string key = button.name() + words().tag;
    return bytesMode ? WriteBytes(key, button.tag()) : WriteText(key, button.tag());
}

void SettingsStore::LoadButtonTag(Control& button, bool bytesMode) {
    const std::string key = button.name() + words().tag;
    button.setTag(bytesMode ? upToFirstZero(ReadBytes(key, button.tag()))
                            : ReadText(key, button.tag()));
}

bool SettingsStore::SaveColourPicker(Control& picker) {
    return WriteNumber(picker.name(), picker.colour());
}

void SettingsStore::LoadColourPicker(Control& picker) {
    picker.setColour(wholeNumber(ReadNumber(picker.name(), picker.colour())));
}

bool SettingsStore::SaveRadioButton(Control& button) {
    return WriteBool(button.name(), button.checked());
}

bool SettingsStore::LoadRadioButton(Control& button) {
    button.setChecked(ReadBool(button.name(), button.checked()));
    return button.checked();
}

void SettingsStore::PersistControls(Window& window, bool restore, const std::string& section,
                                    const std::vector<std::string>& excludedNames, bool comboItems,
                                    bool comboContent) {
    if (!section.empty()) {
        SetSection(section);
    }
    const std::vector<Control*> controls = window.controls();
    for (Control* control : controls) {
        platform::pumpEvents();
        if (control == nullptr) {
            continue;
        }
        const std::string name = control->name();
        if (name.empty() ||
            std::find(excludedNames.begin(), excludedNames.end(), name) != excludedNames.end()) {
            continue;
        }
        const ControlKind kind = kindOfName(name);
        // A control whose name tells another kind than it is stays as it is.
        if (kind == ControlKind::Other || control->kind() != kind) {
            continue;
        }
        const std::string tag = control->tag();
        if (tag == words().neverSave) {
            continue;
        }
        const bool bytesMode = tag == words().bytesMode;
        switch (kind) {
            case ControlKind::Button:
                if (restore) {
                    LoadButtonTag(*control, bytesMode);
                } else {
                    SaveButtonTag(*control, bytesMode);
                }
                break;
            case ControlKind::EditBox:
                if (restore) {
                    LoadEditBox(*control, bytesMode);
                } else {
                    SaveEditBox(*control, bytesMode);
                }
                break;
            case ControlKind::CheckBox:
                if (restore) {
                    LoadCheckBox(*control);
                } else {
                    SaveCheckBox(*control);
                }
                break;
            case ControlKind::RadioButton:
                if (restore) {
                    LoadRadioButton(*control);
                } else {
                    SaveRadioButton(*control);
                }
                break;
            case ControlKind::ColourPicker:
                if (restore) {
                    LoadColourPicker(*control);
                } else {
                    SaveColourPicker(*control);
                }
                break;
            case ControlKind::ListBox:
                if (restore) {
                    LoadListBox(*control);
                } else {
                    SaveListBox(*control);
                }
                break;
            case ControlKind::CheckList:
                if (restore) {
                    LoadCheckList(*control);
                } else {
                    SaveCheckList(*control);
                }
                break;
            case ControlKind::ComboBox:
                // The item list comes back first: putting a list into a combo box resets its
                // selection, so a selection restored before it would be lost again.
                if (restore) {
                    if (comboItems) {
                        LoadComboItems(*control);
                    }
                    LoadComboSelection(*control);
                    if (comboContent) {
                        LoadComboContent(*control);
                    }
                } else {
                    SaveComboSelection(*control);
                    if (comboItems) {
                        SaveComboItems(*control);
                    }
                    if (comboContent) {
                        SaveComboContent(*control);
                    }
                }
                break;
            case ControlKind::MenuItem:
            case ControlKind::Other:
                break;
        }
    }
}

void SettingsStore::SaveWindowGeometry(Window& window, const std::string& name) {
    SetSection(geometrySection(name));
    const int state = window.placementState();
    WriteNumber(words().placement, state);
    if (state >= kPlacementMinimised) {
        return;
    }
    const WindowGeometry g = window.geometry();
    WriteNumber(words().left, g.left);
    WriteNumber(words().top, g.top);
    WriteNumber(words().width, g.width);
    WriteNumber(words().height, g.height);
}

void SettingsStore::LoadWindowGeometry(Window& window, const std::string& name) {
    SetSection(geometrySection(name));
    window.setPlacementState(wholeNumber(ReadNumber(words().placement, window.placementState())));
    if (window.placementState() >= kPlacementMinimised) {
        return;
    }
    WindowGeometry g = window.geometry();
    g.left = wholeNumber(ReadNumber(words().left, g.left));
    g.top = wholeNumber(ReadNumber(words().top, g.top));
    g.width = wholeNumber(ReadNumber(words().width, g.width));
    g.height = wholeNumber(ReadNumber(words().height, g.height));
    window.setGeometry(g);
}

}  // namespace tidewell::settings
