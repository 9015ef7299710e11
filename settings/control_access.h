#pragma once

#include <string>
#include <vector>

// What the settings store needs to know of a window and its controls, without any toolkit. The
// desktop program adapts its widgets to these interfaces; the tests use plain fakes. Texts are
// local text. A property a kind does not have is left at the defaults below.
namespace tidewell::settings {

enum class ControlKind {
    Other,
    MenuItem,
    Button,
    EditBox,
    CheckBox,
    RadioButton,
    ComboBox,
    ListBox,
    CheckList,
    ColourPicker,
};

class Control {
  public:
    virtual ~Control() = default;

    virtual std::string name() const = 0;
    virtual ControlKind kind() const = 0;
    // The tag every control carries; "禁止保存" and "字节集方式" steer PersistControls.
    virtual std::string tag() const { return {}; }
    virtual void setTag(const std::string&) {}
    // Menu items are kept under their caption.
    virtual std::string caption() const { return {}; }

    // Check boxes, radio buttons and menu items.
    virtual bool checked() const { return false; }
    virtual void setChecked(bool) {}

    // The content of an edit box, or the edit field of a combo box.
    virtual std::string text() const { return {}; }
    virtual void setText(const std::string&) {}

    // Combo boxes, list boxes and check-list boxes: the whole item list as one byte block, in a
    // form of the adapter's choosing that setItems accepts back.
    virtual std::string items() const { return {}; }
    virtual void setItems(const std::string&) {}
    virtual int itemCount() const { return 0; }

    // The selected item of a combo box or check-list box; -1 for none.
    virtual int currentIndex() const { return -1; }
    virtual void setCurrentIndex(int) {}

    // Check marks of a check-list box.
    virtual bool isItemChecked(int) const { return false; }
    virtual void setItemChecked(int, bool) {}

    // Selected items of a list box, in the order the toolkit reports them.
    virtual std::vector<int> selectedItems() const { return {}; }
    virtual void setItemSelected(int, bool) {}

    // A colour picker's colour (0x00BBGGRR).
    virtual int colour() const { return 0; }
    virtual void setColour(int) {}
};

// Placement states of a window.
inline constexpr int kPlacementNormal = 0;
inline constexpr int kPlacementMinimised = 2;
inline constexpr int kPlacementMaximised = 3;

struct WindowGeometry {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const WindowGeometry&, const WindowGeometry&) = default;
};

class Window {
  public:
    virtual ~Window() = default;

    // All controls of the window in the toolkit's order. They must stay alive while the store
    // walks them (it lets window events run between controls).
    virtual std::vector<Control*> controls() = 0;

    virtual int placementState() const = 0;
    virtual void setPlacementState(int state) = 0;
    virtual WindowGeometry geometry() const = 0;
    // Moves and sizes the window in one step.
    virtual void setGeometry(const WindowGeometry& geometry) = 0;
};

}  // namespace tidewell::settings
