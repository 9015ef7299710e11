#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// The few services through which the windows talk to the user and the desktop: the message box,
// the folder chooser, the open-file dialog, the file manager, the shell's open action and the
// clipboard. Each one that blocks or leaves the program is a hook, so tests run the windows'
// real code without modal loops and without starting anything.
namespace tidewell::app {

// Message-box style bits, combined by addition.
namespace message {
inline constexpr int kOk = 0;
inline constexpr int kOkCancel = 1;
inline constexpr int kAbortRetryIgnore = 2;
inline constexpr int kYesNoCancel = 3;
inline constexpr int kYesNo = 4;
inline constexpr int kRetryCancel = 5;
inline constexpr int kIconStop = 16;
inline constexpr int kIconQuestion = 32;
inline constexpr int kIconExclamation = 48;
inline constexpr int kIconInformation = 64;
inline constexpr int kSystemModal = 4096;

// The button the user pressed.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdAbort = 3;
inline constexpr int kIdRetry = 4;
inline constexpr int kIdIgnore = 5;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;
}  // namespace message

// A message box with the program's defaults applied.
struct MessageRequest {
    QString text;
    int flags = 0;
    QString title;

    int buttons() const { return flags & 0x0F; }
    int icon() const { return flags & 0xF0; }
};

// The information icon unless the caller chose one, always system-modal, "Brenvik：" unless a
// title is given.
MessageRequest MakeMessageRequest(const QString& text, int flags, const QString& title);

struct FolderRequest {
    // Empty when the given folder does not exist: the chooser then starts where it likes.
    QString initialFolder;
    QString title;
    // 16 edit box, 64 new dialog style, 16384 files listed too.
    int options = 0;
};

int FolderChooserOptions(bool includeFiles, bool editBox, bool newDialogStyle);

struct OpenFilesRequest {
    QString title;
    // In the form "name|patterns|name|patterns", patterns separated by ";".
    QString filter;
};

// "文本|*.txt;*.ini|全部文件|*.*" in the form Qt's file dialog takes.
QString QtFileFilter(const QString& filter);

struct LaunchRequest {
    QString program;
    QStringList arguments;
    bool wait = false;
    // 1 hidden, 2 normal, 3 minimised, 4 maximised, 5 and 6 without activation. Desktop
    // launchers on Linux choose their own window state; kept for callers that record it.
    int windowState = 2;
};

// What "open in file manager" does with its arguments.
struct FileManagerPlan {
    // The path after the root cut.
    QString target;
    // The target is a program that is started itself.
    bool startsProgram = false;
    // The command line in the Windows file manager's form, explorer /n,"path"; the program's
    // documentation and older notes speak of it, and it shows the switches at a glance.
    QString commandLine;
    // What is started here: the program itself, or xdg-open on the folder.
    LaunchRequest launch;
};

FileManagerPlan PlanFileManager(const QString& path, bool newWindow, bool asFolder, bool asRoot);

class Shell {
  public:
    using MessageHook = std::function<int(const MessageRequest&)>;
    using FolderHook = std::function<QString(const FolderRequest&)>;
    using OpenFilesHook = std::function<QStringList(const OpenFilesRequest&)>;
    using LaunchHook = std::function<bool(const LaunchRequest&)>;
    using OpenHook = std::function<void(const QString&)>;

    // Every hook starts with the real desktop service.
    Shell();

    // Returns the pressed button (message::kIdOk ...).
    int messageBox(const QString& text, int flags = 0, const QString& title = {});

    // The chosen folder, or the empty text when the chooser was cancelled. A title left out is
    // "请选择一个文件夹"; a title given empty stays empty.
    QString chooseFolder(const QString& initialFolder,
                         const std::optional<QString>& title = std::nullopt,
                         bool includeFiles = false, bool editBox = true,
                         bool newDialogStyle = true);

    // Opens the folder in the file manager (or starts the program the path names); true when
    // the process was started.
    bool openInFileManager(const QString& path, bool newWindow = false, bool asFolder = false,
                           bool asRoot = false, bool wait = false, int windowState = 2);

    // Opens a document, file or web address with the application the desktop associates.
    void openWithShell(const QString& target);

    // The clipboard's text, empty when it holds none.
    QString clipboardText() const;

    // The multi-select open-file dialog; empty when cancelled.
    QStringList chooseFiles(const OpenFilesRequest& request);

    // Each setter returns the hook it replaces.
    MessageHook setMessageHook(MessageHook hook);
    FolderHook setFolderHook(FolderHook hook);
    OpenFilesHook setOpenFilesHook(OpenFilesHook hook);
    LaunchHook setLaunchHook(LaunchHook hook);
    OpenHook setOpenHook(OpenHook hook);

  private:
    MessageHook message_;
    FolderHook folder_;
    OpenFilesHook openFiles_;
    LaunchHook launch_;
    OpenHook open_;
};

}  // namespace tidewell::app
