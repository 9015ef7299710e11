#include "app/qt_controls.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVariant>
#include <algorithm>

#include "app/edit_text.h"
#include "app/local_text.h"

namespace tidewell::app {
namespace {

using settings::ControlKind;

const char* const kTagProperty = "tag";
const char* const kColourProperty = "colour";

std::string joinItems(const QStringList& items) {
    std::string bytes;
    for (const QString& item : items) {
        bytes += toLocal(item);
        bytes += '\0';
    }
    return bytes;
}

QStringList splitItems(const std::string& bytes) {
    QStringList items;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\0', start);
        if (end == std::string::npos) {
            end = bytes.size();
        }
        items << fromLocal(std::string_view(bytes).substr(start, end - start));
        start = end + 1;
    }
    return items;
}

ControlKind kindOf(const QObject& object) {
    if (qobject_cast<const QAction*>(&object) != nullptr) {
        return ControlKind::MenuItem;
    }
    if (qobject_cast<const QLineEdit*>(&object) != nullptr ||
        qobject_cast<const QPlainTextEdit*>(&object) != nullptr) {
        return ControlKind::EditBox;
    }
    if (qobject_cast<const QCheckBox*>(&object) != nullptr) {
        return ControlKind::CheckBox;
    }
    if (qobject_cast<const QRadioButton*>(&object) != nullptr) {
        return ControlKind::RadioButton;
    }
    if (qobject_cast<const QPushButton*>(&object) != nullptr) {
        return ControlKind::Button;
    }
    if (qobject_cast<const QComboBox*>(&object) != nullptr) {
        return ControlKind::ComboBox;
    }
    if (qobject_cast<const QListWidget*>(&object) != nullptr) {
        return object.objectName().startsWith(QStringLiteral("选择列表框")) ? ControlKind::CheckList
                                                                            : ControlKind::ListBox;
    }
    if (object.property(kColourProperty).isValid()) {
        return ControlKind::ColourPicker;
    }
    return ControlKind::Other;
}

class QtControl : public settings::Control {
  public:
    explicit QtControl(QObject& object) : object_(&object), kind_(kindOf(object)) {}

    std::string name() const override { return object_ ? toLocal(object_->objectName()) : ""; }
    ControlKind kind() const override { return object_ ? kind_ : ControlKind::Other; }

    std::string tag() const override {
        return object_ ? toLocal(object_->property(kTagProperty).toString()) : "";
    }
    void setTag(const std::string& tag) override {
        if (object_) {
            object_->setProperty(kTagProperty, fromLocal(tag));
        }
    }

    std::string caption() const override {
        const auto* action = as<QAction>();
        return action != nullptr ? toLocal(action->text()) : "";
    }

    bool checked() const override {
        if (const auto* action = as<QAction>()) {
            return action->isChecked();
        }
        const auto* button = as<QAbstractButton>();
        return button != nullptr && button->isChecked();
    }
    void setChecked(bool checked) override {
        if (auto* action = as<QAction>()) {
            action->setChecked(checked);
        } else if (auto* button = as<QAbstractButton>()) {
            button->setChecked(checked);
        }
    }

    std::string text() const override {
        if (const auto* line = as<QLineEdit>()) {
            return toLocal(line->text());
        }
        if (const auto* box = as<QPlainTextEdit>()) {
            return toLocalLines(editText(*box));
        }
        if (const auto* combo = as<QComboBox>()) {
            return toLocal(combo->currentText());
        }
        return {};
    }
    void setText(const std::string& text) override {
        if (auto* line = as<QLineEdit>()) {
            line->setText(fromLocal(text));
        } else if (auto* box = as<QPlainTextEdit>()) {
            box->setPlainText(fromLocalLines(text));
        } else if (auto* combo = as<QComboBox>()) {
            combo->setCurrentText(fromLocal(text));
        }
    }

    std::string items() const override {
        QStringList texts;
        if (const auto* combo = as<QComboBox>()) {
            for (int i = 0; i < combo->count(); ++i) {
                texts << combo->itemText(i);
            }
        } else if (const auto* list = as<QListWidget>()) {
            for (int i = 0; i < list->count(); ++i) {
                texts << list->item(i)->text();
            }
        }
        return joinItems(texts);
    }
    void setItems(const std::string& bytes) override {
        const QStringList texts = splitItems(bytes);
        // The same list again leaves the items, their selection and their marks alone.
        if (texts == splitItems(items())) {
            return;
        }
        if (auto* combo = as<QComboBox>()) {
            // The selection comes back before the item list, and the edit field of an editable
            // combo box is a value of its own: both outlive the new list.
            const int index = combo->currentIndex();
            const QString edited = combo->currentText();
            combo->clear();
            combo->addItems(texts);
            combo->setCurrentIndex(index < combo->count() ? index : -1);
            if (combo->isEditable()) {
                combo->setCurrentText(edited);
            }
        } else if (auto* list = as<QListWidget>()) {
            list->clear();
            list->addItems(texts);
            if (kind_ == ControlKind::CheckList) {
                for (int i = 0; i < list->count(); ++i) {
                    list->item(i)->setFlags(list->item(i)->flags() | Qt::ItemIsUserCheckable);
                    list->item(i)->setCheckState(Qt::Unchecked);
                }
            }
        }
    }
    int itemCount() const override {
        if (const auto* combo = as<QComboBox>()) {
            return combo->count();
        }
        const auto* list = as<QListWidget>();
        return list != nullptr ? list->count() : 0;
    }

    int currentIndex() const override {
        if (const auto* combo = as<QComboBox>()) {
            return combo->currentIndex();
        }
        const auto* list = as<QListWidget>();
        return list != nullptr ? list->currentRow() : -1;
    }
    void setCurrentIndex(int index) override {
        if (auto* combo = as<QComboBox>()) {
            combo->setCurrentIndex(index < combo->count() ? index : -1);
        } else if (auto* list = as<QListWidget>()) {
            list->setCurrentRow(index < list->count() ? index : -1);
        }
    }

    bool isItemChecked(int index) const override {
        const QListWidgetItem* item = listItem(index);
        return item != nullptr && item->checkState() == Qt::Checked;
    }
    void setItemChecked(int index, bool checked) override {
        if (QListWidgetItem* item = listItem(index)) {
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
        }
    }

    std::vector<int> selectedItems() const override {
        std::vector<int> rows;
        if (const auto* list = as<QListWidget>()) {
            for (const QListWidgetItem* item : list->selectedItems()) {
                rows.push_back(list->row(item));
            }
        }
        return rows;
    }
    void setItemSelected(int index, bool selected) override {
        if (QListWidgetItem* item = listItem(index)) {
            item->setSelected(selected);
        }
    }

    int colour() const override { return object_ ? object_->property(kColourProperty).toInt() : 0; }
    void setColour(int colour) override {
        if (object_ && kind_ == ControlKind::ColourPicker) {
            object_->setProperty(kColourProperty, colour);
        }
    }

  private:
    template <typename T>
    T* as() const {
        return qobject_cast<T*>(object_.data());
    }

    QListWidgetItem* listItem(int index) const {
        auto* list = as<QListWidget>();
        return list != nullptr && index >= 0 && index < list->count() ? list->item(index) : nullptr;
    }

    QPointer<QObject> object_;
    ControlKind kind_;
};

}  // namespace

std::unique_ptr<settings::Control> MakeControl(QObject& object) {
    return std::make_unique<QtControl>(object);
}

std::vector<settings::Control*> QtWindow::controls() {
    controls_.clear();
    std::vector<settings::Control*> result;
    if (!window_) {
        return result;
    }
    const QList<QWidget*> widgets = window_->findChildren<QWidget*>();
    for (QWidget* widget : widgets) {
        if (!widget->objectName().isEmpty() && !widget->isWindow()) {
            controls_.push_back(MakeControl(*widget));
        }
    }
    const QList<QAction*> actions = window_->findChildren<QAction*>();
    for (QAction* action : actions) {
        if (!action->objectName().isEmpty()) {
            controls_.push_back(MakeControl(*action));
        }
    }
    for (const auto& control : controls_) {
        result.push_back(control.get());
    }
    return result;
}

int QtWindow::placementState() const {
    if (!window_) {
        return settings::kPlacementNormal;
    }
    if (window_->isMinimized()) {
        return settings::kPlacementMinimised;
    }
    return window_->isMaximized() ? settings::kPlacementMaximised : settings::kPlacementNormal;
}

void QtWindow::setPlacementState(int state) {
    if (!window_) {
        return;
    }
    Qt::WindowStates states = window_->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
    if (state == settings::kPlacementMinimised) {
        states |= Qt::WindowMinimized;
    } else if (state == settings::kPlacementMaximised) {
        states |= Qt::WindowMaximized;
    }
    window_->setWindowState(states);
}

settings::WindowGeometry QtWindow::geometry() const {
    if (!window_) {
        return {};
    }
    // The place is the frame's, the size the client area's: the pair that move() and resize()
    // take back.
    return {window_->x(), window_->y(), window_->width(), window_->height()};
}

void QtWindow::setGeometry(const settings::WindowGeometry& geometry) {
    if (!window_) {
        return;
    }
    window_->move(geometry.left, geometry.top);
    window_->resize(geometry.width, geometry.height);
}

}  // namespace tidewell::app
