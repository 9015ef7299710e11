#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "settings/control_access.h"

class QAction;

// The settings store's view of Qt widgets, so that any window of the program can keep its
// controls and its place with one call (SettingsStore::PersistControls, SaveWindowGeometry).
//
// Kinds: QLineEdit and QPlainTextEdit are edit boxes, QPushButton a button, QCheckBox a check
// box, QRadioButton a radio button, QComboBox a combo box, QListWidget a list box (a check-list
// box when its name begins with 选择列表框; its items are checkable), QAction a menu item, and
// any widget with an int property "colour" (0x00BBGGRR) a colour picker. The tag is the widget's
// QString property "tag". An item list is each item's local text followed by a zero byte.
namespace tidewell::app {

// One widget (or action). A control whose widget has gone reads as empty and ignores writes.
std::unique_ptr<settings::Control> MakeControl(QObject& object);

class QtWindow : public settings::Window {
  public:
    explicit QtWindow(QWidget& window) : window_(&window) {}

    // Every named widget below the window, in creation order, and the window's actions. The
    // controls stay valid until the next call.
    std::vector<settings::Control*> controls() override;

    int placementState() const override;
    void setPlacementState(int state) override;
    settings::WindowGeometry geometry() const override;
    void setGeometry(const settings::WindowGeometry& geometry) override;

  private:
    QPointer<QWidget> window_;
    std::vector<std::unique_ptr<settings::Control>> controls_;
};

}  // namespace tidewell::app
