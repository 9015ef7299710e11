#include "app/text_dialog.h"

#include <QFile>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollBar>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>
#include <algorithm>
#include <string>

#include "app/edit_text.h"
#include "app/local_text.h"
#include "app/shell.h"
#include "app/window_font.h"
#include "platform/event_pump.h"

namespace tidewell::app {
namespace {

constexpr QSize kMinimumClientSize{200, 120};

QPushButton* makeButton(QWidget* parent, const char* name, const QString& text, QRect place) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromUtf8(name));
    button->setGeometry(place);
    button->setAutoDefault(false);
    return button;
}

// Lines of the prompt are 12 pixels apart, whatever the font would choose.
void setPromptText(QTextEdit& prompt, const QString& text) {
    prompt.setPlainText(text);
    QTextCursor cursor(prompt.document());
    cursor.select(QTextCursor::Document);
    QTextBlockFormat format;
    format.setLineHeight(kPromptLinePixels, QTextBlockFormat::FixedHeight);
    cursor.mergeBlockFormat(format);
}

}  // namespace

int PromptLineCount(std::string_view localPrompt, int clientWidth, int margin) {
    // Below the width of one character the rule has no room; one byte a line keeps it defined.
    const int bytesPerLine = std::max(1, (clientWidth - 2 * margin) / 6);
    int lines = 0;
    std::string_view rest = localPrompt;
    while (!rest.empty()) {
        const std::size_t end = rest.find("\r\n");
        const std::size_t length = end == std::string_view::npos ? rest.size() : end;
        lines += length == 0 ? 1 : static_cast<int>((length + bytesPerLine - 1) / bytesPerLine);
        if (end == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(end + 2);
    }
    return lines;
}

TextDialogWindow::TextDialogWindow(const TextDialogParams& params, Shell& shell, QWidget* owner)
    : QDialog(owner),
      params_(params),
      shell_(shell),
      margin_(params.margin > 0 ? params.margin : kDefaultDialogMargin) {
    setObjectName(QStringLiteral("TextDialog"));
    setFont(WindowFont(font()));
    setMinimumSize(kMinimumClientSize);
    resize(kDesignClientSize);

    prompt_ = new QTextEdit(this);
    prompt_->setObjectName(QStringLiteral("编辑框提示"));
    prompt_->setGeometry(13, 8, 395, 33);
    prompt_->setReadOnly(true);
    prompt_->setFrameShape(QFrame::NoFrame);
    prompt_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    prompt_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    prompt_->setFocusPolicy(Qt::NoFocus);
    prompt_->document()->setDocumentMargin(0);
    // Prompt lines are 12 pixels apart; a pixel less of type keeps them from touching.
    QFont promptFont = font();
    promptFont.setPixelSize(kPromptLinePixels - 1);
    prompt_->setFont(promptFont);
    QPalette promptPalette = prompt_->palette();
    promptPalette.setColor(QPalette::Base, promptPalette.color(QPalette::Button));
    prompt_->setPalette(promptPalette);

    body_ = new QPlainTextEdit(this);
    body_->setObjectName(QStringLiteral("编辑框正文"));
    body_->setGeometry(5, 56, 411, 168);
    body_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    toolRow_ = new QWidget(this);
    toolRow_->setObjectName(QStringLiteral("外形框"));
    toolRow_->setGeometry(8, 320, 336, 34);
    QPushButton* restoreButton =
        makeButton(toolRow_, "按钮恢复", QStringLiteral("恢复"), {0, 5, 51, 24});
    QPushButton* clearButton =
        makeButton(toolRow_, "按钮清空", QStringLiteral("清空"), {54, 5, 51, 24});
    QPushButton* pasteButton =
        makeButton(toolRow_, "按钮粘贴", QStringLiteral("粘贴"), {107, 5, 85, 24});
    QPushButton* contentsButton =
        makeButton(toolRow_, "按钮文件", QStringLiteral("内容"), {208, 5, 51, 24});
    QPushButton* namesButton =
        makeButton(toolRow_, "按钮文件名", QStringLiteral("文件名"), {259, 5, 69, 24});

    ok_ = makeButton(this, "按钮确定", QStringLiteral("确定"), {351, 328, 64, 24});
    cancel_ = makeButton(this, "按钮取消", QStringLiteral("取消"), {414, 328, 64, 24});

    connect(ok_, &QPushButton::clicked, this, &TextDialogWindow::confirm);
    connect(cancel_, &QPushButton::clicked, this, &TextDialogWindow::cancel);
    connect(clearButton, &QPushButton::clicked, this, [this] { replaceEditText(*body_, {}); });
    connect(pasteButton, &QPushButton::clicked, this,
            [this] { replaceEditText(*body_, shell_.clipboardText()); });
    connect(restoreButton, &QPushButton::clicked, this, &TextDialogWindow::restore);
    connect(contentsButton, &QPushButton::clicked, this, [this] { importFiles(true); });
    connect(namesButton, &QPushButton::clicked, this, [this] { importFiles(false); });

    contentsButton->setVisible(params_.importButtons == 1 || params_.importButtons == 3);
    namesButton->setVisible(params_.importButtons == 2 || params_.importButtons == 3);

    setPromptText(*prompt_, params_.prompt);
    setWindowTitle(params_.title);
    body_->setPlainText(params_.initialText);
    body_->setReadOnly(params_.inputMode == 1);

    if (params_.viewOnly) {
        ok_->hide();
        toolRow_->hide();
        QPalette palette = body_->palette();
        palette.setColor(QPalette::Base, palette.color(QPalette::Button));
        body_->setPalette(palette);
        body_->setReadOnly(true);
        QFont bold = prompt_->font();
        bold.setBold(true);
        prompt_->setFont(bold);
        cancel_->setText(QStringLiteral("关闭(&G)"));
        cancel_->setDefault(true);
    }
    if (params_.scrollBars) {
        body_->setLineWrapMode(QPlainTextEdit::NoWrap);
        body_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    }

    QSize client = size();
    if (params_.bodyWidth != 0) {
        client.setWidth(params_.bodyWidth + 2 * margin_);
    }
    if (params_.bodyHeight != 0) {
        client.setHeight(promptHeight(client.width()) + 2 * margin_ + params_.bodyHeight +
                         3 * margin_ + ok_->height());
    }
    resize(client.expandedTo(kMinimumClientSize));
    layoutControls();

    const QScreen* screen = owner != nullptr ? owner->screen() : QGuiApplication::primaryScreen();
    if (screen != nullptr) {
        const QRect area = screen->geometry();
        move(area.x() + area.width() / 2 - width() / 2,
             area.y() + (area.height() - 30) / 2 - height() / 2);
    }
    if (params_.maximised) {
        setWindowState(windowState() | Qt::WindowMaximized);
    }
    body_->setFocus();
}

int TextDialogWindow::promptHeight(int clientWidth) const {
    return PromptLineCount(toLocalLines(params_.prompt), clientWidth, margin_) * kPromptLinePixels;
}

void TextDialogWindow::layoutControls() {
    const int m = margin_;
    const int w = width();
    const int h = height();
    prompt_->setGeometry(m, m, w - 2 * m, promptHeight(w));
    const int bodyTop = prompt_->y() + prompt_->height() + m;
    body_->setGeometry(m, bodyTop, prompt_->width(), h - bodyTop - toolRow_->height());
    // The tool row keeps its height when hidden, so the close button has its strip in view mode.
    toolRow_->move(m, body_->y() + body_->height());
    const int buttonTop = toolRow_->y() + toolRow_->height() / 2 - cancel_->height() / 2;
    cancel_->move(w - m - cancel_->width(), buttonTop);
    ok_->move(cancel_->x() - ok_->width(), buttonTop);
}

void TextDialogWindow::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    layoutControls();
}

void TextDialogWindow::confirm() {
    resultText_ = editText(*body_);
    confirmed_ = true;
    closingByButton_ = true;
    accept();
}

void TextDialogWindow::cancel() {
    closingByButton_ = true;
    QDialog::reject();
}

void TextDialogWindow::reject() {
    if (!closingByButton_ && !params_.viewOnly && editText(*body_) != params_.initialText) {
        const int answer =
            shell_.messageBox(QStringLiteral("内容已被改动，是否要放弃？"), message::kYesNo);
        if (answer != message::kIdYes) {
            return;
        }
    }
    QDialog::reject();
}

void TextDialogWindow::restore() {
    if (params_.initialText.isEmpty()) {
        shell_.messageBox(QStringLiteral("启动值为空！"));
        return;
    }
    replaceEditText(*body_, params_.initialText);
}

void TextDialogWindow::importFiles(bool contents) {
    OpenFilesRequest request;
    request.title = QStringLiteral("选择多个文件，将导入其") +
                    (contents ? QStringLiteral("文件内容") : QStringLiteral("文件路径"));
    request.filter = QStringLiteral("文本文本|*.txt;*.text;*.ini;*.htn;*.html|全部文件|*.*");
    const QStringList files = shell_.chooseFiles(request);
    for (const QString& path : files) {
        QString text = path;
        if (contents) {
            QFile file(path);
            QByteArray bytes;
            if (file.open(QIODevice::ReadOnly)) {
                bytes = file.readAll();
            }
            const qsizetype zero = bytes.indexOf('\0');
            if (zero >= 0) {
                bytes.truncate(zero);
            }
            text = fromLocalLines(std::string_view(bytes.constData(), bytes.size()));
        }
        body_->moveCursor(QTextCursor::End);
        body_->insertPlainText(text + u'\n');
        body_->ensureCursorVisible();
        platform::pumpEvents();
    }
}

bool TextDialogs::TextDialog(const QString& content, const TextDialogOptions& options,
                             QString* result) {
    if (open_) {
        return false;
    }
    const bool viewOnly = result == nullptr;
    TextDialogParams params;
    if (options.prompt.has_value()) {
        params.prompt = !options.prompt->isEmpty() ? *options.prompt
                        : viewOnly                 ? QStringLiteral("以下为信息详情：")
                                                   : QStringLiteral("请输入数据：");
    }
    params.title = options.title.isEmpty() ? QStringLiteral("Brenvik：") : options.title;
    params.initialText = content;
    params.initialText.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    params.inputMode = options.inputMode;
    params.bodyWidth = options.bodyWidth;
    params.bodyHeight = options.bodyHeight;
    params.viewOnly = viewOnly;
    params.scrollBars = options.scrollBars;
    params.margin = options.margin;
    params.maximised = options.maximised;
    params.importButtons = options.importButtons;
    params_ = params;

    open_ = true;
    confirmed_ = false;
    resultText_.clear();
    TextDialogWindow window(params_, shell_, options.owner);
    window.setWindowModality(options.owner != nullptr ? Qt::WindowModal : Qt::ApplicationModal);
    if (shown_) {
        QTimer::singleShot(0, &window, [this, &window] { shown_(window); });
    }
    window.exec();
    open_ = false;

    confirmed_ = window.confirmed();
    if (confirmed_) {
        resultText_ = window.resultText();
        if (result != nullptr) {
            *result = resultText_;
        }
    }
    return confirmed_;
}

TextDialogs::ShownHook TextDialogs::setShownHook(ShownHook hook) {
    std::swap(shown_, hook);
    return hook;
}

}  // namespace tidewell::app
