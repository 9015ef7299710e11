#include "app/qt_run_window.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

#include "app/local_text.h"
#include "app/main_window.h"
#include "app/shell.h"
#include "app/text_dialog.h"

namespace tidewell::app {

QtRunWindow::QtRunWindow(MainWindow& window, Shell& shell, TextDialogs& dialogs)
    : window_(window), shell_(shell), dialogs_(dialogs) {}

std::string QtRunWindow::EditText(std::string_view name) const {
    return window_.EditText(name);
}

std::string QtRunWindow::StartCaption() const {
    return toLocal(window_.startButton()->text());
}

void QtRunWindow::SetStartCaption(const std::string& caption) {
    window_.startButton()->setText(fromLocal(caption));
}

void QtRunWindow::SetProgressMaximum(int maximum) {
    window_.progressBar()->setMaximum(maximum);
}

void QtRunWindow::SetProgressPosition(int position) {
    window_.progressBar()->setValue(position);
}

void QtRunWindow::PlaceLabelOverProgress(int left, int top) {
    QLabel* label = window_.progressLabel();
    if (label->parentWidget() != window_.progressBar()) {
        label->setParent(window_.progressBar());
    }
    label->move(left, top);
    label->show();
    label->raise();
}

void QtRunWindow::SetLabelText(const std::string& text) {
    window_.progressLabel()->setText(fromLocal(text));
}

void QtRunWindow::SetDisplayText(const std::string& text) {
    window_.displayBox()->setPlainText(fromLocalLines(text));
}

void QtRunWindow::PumpEvents() {
    QCoreApplication::processEvents();
}

void QtRunWindow::ShowTextDialog(const std::string& content, const std::string& prompt,
                                 const std::string& title) {
    TextDialogOptions options;
    options.prompt = fromLocal(prompt);
    options.title = fromLocal(title);
    dialogs_.TextDialog(fromLocalLines(content), options);
}

int QtRunWindow::ShowMessage(const std::string& text, int flags, const std::string& title) {
    if (window_.closed()) {
        return message::kIdOk;
    }
    return shell_.messageBox(fromLocalLines(text), flags, fromLocal(title));
}

}  // namespace tidewell::app
