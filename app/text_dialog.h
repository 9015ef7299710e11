#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <optional>
#include <string_view>

class QPlainTextEdit;
class QPushButton;
class QTextEdit;
class QWidget;

namespace tidewell::app {

class Shell;

// A prompt line is 12 pixels high and holds (client width - 2 × margin) / 6 bytes of local text.
inline constexpr int kPromptLinePixels = 12;
// The margin used when the caller gives none (or one below 1).
inline constexpr int kDefaultDialogMargin = 5;

// Display lines of a prompt (local text): each part between CR LF pairs takes its byte length
// divided by the bytes a line holds, rounded up, and at least one line; an empty prompt none.
int PromptLineCount(std::string_view localPrompt, int clientWidth, int margin);

// Everything but the content is optional; the defaults are those of a bare call.
struct TextDialogOptions {
    // Left out: the prompt box stays empty. Given empty: "请输入数据：" in input mode,
    // "以下为信息详情：" in view mode.
    std::optional<QString> prompt;
    // Empty: "Brenvik：".
    QString title;
    // Modal over this window; without one, modal over the whole program.
    QWidget* owner = nullptr;
    // 0 normal editing, 1 read-only; other values edit normally.
    int inputMode = 0;
    bool maximised = false;
    // The wanted size of the body box; 0 keeps the designed size in that direction.
    int bodyWidth = 0;
    int bodyHeight = 0;
    // Both scroll bars on the body (and no line wrapping).
    bool scrollBars = false;
    // Spacing of the layout; 0 or below means 5.
    int margin = 0;
    // 0 none, 1 the contents button, 2 the file names button, 3 both.
    int importButtons = 0;
};

// The parameters of the dialog being shown, as the open call filled them in.
struct TextDialogParams {
    QString prompt;
    QString title;
    QString initialText;
    int inputMode = 0;
    int bodyWidth = 0;
    int bodyHeight = 0;
    bool viewOnly = true;
    bool scrollBars = false;
    int margin = 0;
    bool maximised = false;
    int importButtons = 0;
};

// The dialog window itself. Its controls carry their names as object names: 编辑框提示,
// 编辑框正文, 外形框 with 按钮恢复 按钮清空 按钮粘贴 按钮文件 按钮文件名, 按钮确定, 按钮取消.
class TextDialogWindow : public QDialog {
    Q_OBJECT

  public:
    // The client size the controls are designed for.
    static constexpr QSize kDesignClientSize{479, 354};

    TextDialogWindow(const TextDialogParams& params, Shell& shell, QWidget* owner);

    bool confirmed() const { return confirmed_; }
    const QString& resultText() const { return resultText_; }
    int margin() const { return margin_; }

    // Closing through the frame, Escape included: in input mode with a changed text the user
    // is asked first.
    void reject() override;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void layoutControls();
    int promptHeight(int clientWidth) const;
    void confirm();
    void cancel();
    void restore();
    void importFiles(bool contents);

    const TextDialogParams params_;
    Shell& shell_;
    int margin_;
    bool confirmed_ = false;
    QString resultText_;
    bool closingByButton_ = false;

    QTextEdit* prompt_;
    QPlainTextEdit* body_;
    QWidget* toolRow_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

// The one text dialog of the program: the parameter record, the outcome of the last dialog and
// the rule that only one is open at a time. Created at start-up and handed to the windows.
class TextDialogs {
  public:
    using ShownHook = std::function<void(TextDialogWindow&)>;

    explicit TextDialogs(Shell& shell) : shell_(shell) {}
    TextDialogs(const TextDialogs&) = delete;
    TextDialogs& operator=(const TextDialogs&) = delete;

    // Shows the content and waits until the dialog is closed. With a result the dialog asks for
    // a text (input mode) and stores the body there when the user confirms; without one it only
    // shows the content (view mode). True when closed with 确定; false at once, changing
    // nothing, when a dialog is already open.
    bool TextDialog(const QString& content, const TextDialogOptions& options = {},
                    QString* result = nullptr);

    bool isOpen() const { return open_; }
    const TextDialogParams& params() const { return params_; }
    // The text of the last confirmed dialog.
    const QString& lastResult() const { return resultText_; }

    // Called once the dialog runs its modal loop; tests use it to work the dialog.
    ShownHook setShownHook(ShownHook hook);

  private:
    Shell& shell_;
    TextDialogParams params_;
    bool open_ = false;
    bool confirmed_ = false;
    QString resultText_;
    ShownHook shown_;
};

}  // namespace tidewell::app
