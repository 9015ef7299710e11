#include "app/shell.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QUrl>
#include <utility>

namespace tidewell::app {
namespace {

QMessageBox::Icon messageIcon(int icon) {
    switch (icon) {
        case message::kIconStop:
            return QMessageBox::Critical;
        case message::kIconQuestion:
            return QMessageBox::Question;
        case message::kIconExclamation:
            return QMessageBox::Warning;
        case message::kIconInformation:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

QList<QMessageBox::StandardButton> messageButtons(int buttons) {
    switch (buttons) {
        case message::kOkCancel:
            return {QMessageBox::Ok, QMessageBox::Cancel};
        case message::kAbortRetryIgnore:
            return {QMessageBox::Abort, QMessageBox::Retry, QMessageBox::Ignore};
        case message::kYesNoCancel:
            return {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel};
        case message::kYesNo:
            return {QMessageBox::Yes, QMessageBox::No};
        case message::kRetryCancel:
            return {QMessageBox::Retry, QMessageBox::Cancel};
        default:
            return {QMessageBox::Ok};
    }
}

int pressedId(QMessageBox::StandardButton button) {
    switch (button) {
        case QMessageBox::Ok:
            return message::kIdOk;
        case QMessageBox::Cancel:
            return message::kIdCancel;
        case QMessageBox::Abort:
            return message::kIdAbort;
        case QMessageBox::Retry:
            return message::kIdRetry;
        case QMessageBox::Ignore:
            return message::kIdIgnore;
        case QMessageBox::Yes:
            return message::kIdYes;
        case QMessageBox::No:
            return message::kIdNo;
        default:
            return message::kIdCancel;
    }
}

int showMessageBox(const MessageRequest& request) {
    QMessageBox box;
    box.setWindowTitle(request.title);
    box.setText(request.text);
    box.setIcon(messageIcon(request.icon()));
    const QList<QMessageBox::StandardButton> buttons = messageButtons(request.buttons());
    for (QMessageBox::StandardButton button : buttons) {
        box.addButton(button);
    }
    // As on the desktop this box was designed for, the first button is the default one.
    box.setDefaultButton(buttons.front());
    box.setWindowModality(Qt::ApplicationModal);
    if ((request.flags & message::kSystemModal) != 0) {
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    }
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    if (clicked == nullptr) {
        return buttons.size() == 1 ? pressedId(buttons.front()) : message::kIdCancel;
    }
    return pressedId(box.standardButton(clicked));
}

QString showFolderChooser(const FolderRequest& request) {
    QFileDialog::Options options;
    if ((request.options & 16384) == 0) {
        options |= QFileDialog::ShowDirsOnly;
    }
    return QFileDialog::getExistingDirectory(nullptr, request.title, request.initialFolder,
                                             options);
}

QStringList showOpenFiles(const OpenFilesRequest& request) {
    return QFileDialog::getOpenFileNames(nullptr, request.title, QString(),
                                         QtFileFilter(request.filter));
}

bool launchProcess(const LaunchRequest& request) {
    if (request.wait) {
        QProcess process;
        process.start(request.program, request.arguments);
        if (!process.waitForStarted()) {
            return false;
        }
        process.waitForFinished(-1);
        return true;
    }
    return QProcess::startDetached(request.program, request.arguments);
}

void openUrl(const QString& target) {
    QDesktopServices::openUrl(QUrl::fromUserInput(target));
}

QString expandHome(const QString& path) {
    if (path.startsWith(QStringLiteral("~/"))) {
        return QDir::homePath() + path.mid(1);
    }
    return path;
}

QString parentFolder(const QString& path) {
    const qsizetype cut = path.lastIndexOf(u'/');
    if (cut > 0) {
        return path.left(cut);
    }
    return cut == 0 ? QStringLiteral("/") : QStringLiteral(".");
}

}  // namespace

MessageRequest MakeMessageRequest(const QString& text, int flags, const QString& title) {
    MessageRequest request{text, flags, title};
    constexpr int kIconBits =
        message::kIconStop | message::kIconQuestion | message::kIconInformation;
    if ((request.flags & kIconBits) == 0) {
        request.flags += message::kIconInformation;
    }
    // A caller that already asked for it (the settings store does) keeps the same box.
    request.flags |= message::kSystemModal;
    if (request.title.isEmpty()) {
        request.title = QStringLiteral("Brenvik：");
    }
    return request;
}

int FolderChooserOptions(bool includeFiles, bool editBox, bool newDialogStyle) {
    return (editBox ? 16 : 0) + (newDialogStyle ? 64 : 0) + (includeFiles ? 16384 : 0);
}

QString QtFileFilter(const QString& filter) {
    const QStringList parts = filter.split(u'|');
    QStringList entries;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString patternText = i + 1 < parts.size() ? parts[i + 1] : QStringLiteral("*");
        QStringList patterns = patternText.split(u';', Qt::SkipEmptyParts);
        for (QString& pattern : patterns) {
            if (pattern == QStringLiteral("*.*")) {
                pattern = QStringLiteral("*");
            }
        }
        entries << parts[i] + QStringLiteral(" (") + patterns.join(u' ') + u')';
    }
    return entries.join(QStringLiteral(";;"));
}

FileManagerPlan PlanFileManager(const QString& path, bool newWindow, bool asFolder, bool asRoot) {
    FileManagerPlan plan;
    plan.target = path;
    if (asRoot) {
        const qsizetype cut = path.lastIndexOf(u'/');
        if (cut >= 0) {
            plan.target = path.left(cut);
        }
        if (plan.target.isEmpty() && path.startsWith(u'/')) {
            plan.target = QStringLiteral("/");
        }
    }
    if (asFolder && plan.target.endsWith(QStringLiteral(".exe"), Qt::CaseInsensitive)) {
        plan.startsProgram = true;
        plan.commandLine = plan.target;
        plan.launch.program = plan.target;
        return plan;
    }
    plan.commandLine = QStringLiteral("explorer ") +
                       (newWindow ? QStringLiteral("/n") : QStringLiteral("/e")) + u',' +
                       (asFolder || asRoot ? QString() : QStringLiteral("/select,")) +
                       (asRoot ? QStringLiteral("/root,") : QString()) + u'"' + plan.target + u'"';
    // The desktop's launcher cannot select an item, so a path to select opens the folder that
    // holds it.
    plan.launch.program = QStringLiteral("xdg-open");
    plan.launch.arguments = {asFolder || asRoot ? plan.target : parentFolder(plan.target)};
    return plan;
}

Shell::Shell()
    : message_(showMessageBox),
      folder_(showFolderChooser),
      openFiles_(showOpenFiles),
      launch_(launchProcess),
      open_(openUrl) {}

int Shell::messageBox(const QString& text, int flags, const QString& title) {
    return message_(MakeMessageRequest(text, flags, title));
}

QString Shell::chooseFolder(const QString& initialFolder, const std::optional<QString>& title,
                            bool includeFiles, bool editBox, bool newDialogStyle) {
    FolderRequest request;
    const QString initial = expandHome(initialFolder);
    if (!initial.isEmpty() && QFileInfo(initial).isDir()) {
        request.initialFolder = initial;
    }
    request.title = title.value_or(QStringLiteral("请选择一个文件夹"));
    request.options = FolderChooserOptions(includeFiles, editBox, newDialogStyle);
    return folder_(request);
}

bool Shell::openInFileManager(const QString& path, bool newWindow, bool asFolder, bool asRoot,
                              bool wait, int windowState) {
    FileManagerPlan plan = PlanFileManager(path, newWindow, asFolder, asRoot);
    plan.launch.wait = wait;
    plan.launch.windowState = windowState;
    return launch_(plan.launch);
}

void Shell::openWithShell(const QString& target) {
    open_(target);
}

QString Shell::clipboardText() const {
    const QClipboard* clipboard = QGuiApplication::clipboard();
    return clipboard != nullptr ? clipboard->text() : QString();
}

QStringList Shell::chooseFiles(const OpenFilesRequest& request) {
    return openFiles_(request);
}

Shell::MessageHook Shell::setMessageHook(MessageHook hook) {
    return std::exchange(message_, std::move(hook));
}

Shell::FolderHook Shell::setFolderHook(FolderHook hook) {
    return std::exchange(folder_, std::move(hook));
}

Shell::OpenFilesHook Shell::setOpenFilesHook(OpenFilesHook hook) {
    return std::exchange(openFiles_, std::move(hook));
}

Shell::LaunchHook Shell::setLaunchHook(LaunchHook hook) {
    return std::exchange(launch_, std::move(hook));
}

Shell::OpenHook Shell::setOpenHook(OpenHook hook) {
    return std::exchange(open_, std::move(hook));
}

}  // namespace tidewell::app
