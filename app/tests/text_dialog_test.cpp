#include "app/text_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <functional>
#include <string>

#include "app/local_text.h"
#include "app/shell.h"
#include "app/tests/find_child.h"
#include "platform/encoding.h"
#include "platform/event_pump.h"

using namespace tidewell::app;
using tidewell::app::testing::child;
using tidewell::platform::local;

namespace {

QPlainTextEdit* body(QWidget& window) {
    return child<QPlainTextEdit>(window, "编辑框正文");
}

// Message boxes answered without a modal loop; every question is recorded.
struct RecordedMessages {
    explicit RecordedMessages(Shell& shell) {
        shell.setMessageHook([this](const MessageRequest& request) {
            seen.push_back(request);
            return answer;
        });
    }
    std::vector<MessageRequest> seen;
    int answer = message::kIdOk;
};

}  // namespace

class TextDialogTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void promptLines_data();
    void promptLines();
    void viewModeWithoutPrompt();
    void promptDefaults_data();
    void promptDefaults();
    void longPromptIsThirtySixPixelsHigh();
    void bodyWidthSetsTheClientWidth();
    void bodyHeightSetsTheClientHeight();
    void layoutFollowsResizing();
    void confirmingReturnsTheEditedText();
    void closeQuestionGuardsChangedText();
    void unchangedTextClosesWithoutQuestion();
    void toolButtons();
    void importButtonsShowAsAsked();
    void importAppendsPathsAndContents();
    void onlyOneDialogAtATime();
    void ownerMakesTheDialogModalOverIt();

  private:
    // Opens a dialog and works it from inside its modal loop.
    bool run(TextDialogs& dialogs, const QString& content, const TextDialogOptions& options,
             QString* result, const std::function<void(TextDialogWindow&)>& work) {
        dialogs.setShownHook([&](TextDialogWindow& window) {
            work(window);
            if (window.isVisible()) {
                child<QPushButton>(window, "按钮取消")->click();
            }
        });
        return dialogs.TextDialog(content, options, result);
    }

    tidewell::platform::PumpHook pump_ = [] { QCoreApplication::processEvents(); };
    std::unique_ptr<tidewell::platform::ScopedEventPump> scopedPump_;
};

void TextDialogTest::init() {
    scopedPump_ = std::make_unique<tidewell::platform::ScopedEventPump>(pump_);
}

void TextDialogTest::promptLines_data() {
    QTest::addColumn<QByteArray>("prompt");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("margin");
    QTest::addColumn<int>("lines");
    const QByteArray hundredChinese = QByteArray::fromStdString(
        local(std::string(QString(100, QChar(0x4E2D)).toUtf8().toStdString())));
    QTest::newRow("100 Chinese characters, 430 wide") << hundredChinese << 430 << 5 << 3;
    QTest::newRow("empty prompt") << QByteArray() << 430 << 5 << 0;
    QTest::newRow("exactly one line") << QByteArray(70, 'a') << 430 << 5 << 1;
    QTest::newRow("one byte over") << QByteArray(71, 'a') << 430 << 5 << 2;
    QTest::newRow("empty middle part") << QByteArray("ab\r\n\r\ncd") << 430 << 5 << 3;
    QTest::newRow("final line break adds nothing") << QByteArray("ab\r\n") << 430 << 5 << 1;
    QTest::newRow("bare LF is no break") << QByteArray("ab\ncd") << 430 << 5 << 1;
    QTest::newRow("narrower than a character") << QByteArray("abc") << 12 << 5 << 3;
}

void TextDialogTest::promptLines() {
    QFETCH(QByteArray, prompt);
    QFETCH(int, width);
    QFETCH(int, margin);
    QFETCH(int, lines);
    QCOMPARE(PromptLineCount(std::string_view(prompt.constData(), prompt.size()), width, margin),
             lines);
}

void TextDialogTest::viewModeWithoutPrompt() {
    Shell shell;
    TextDialogs dialogs(shell);
    TextDialogOptions options;
    options.title = QStringLiteral("疑点说明");
    bool checked = false;
    const bool confirmed =
        run(dialogs, QStringLiteral("第一段\r\n\r\n第二段"), options, nullptr,
            [&](TextDialogWindow& window) {
                QVERIFY(dialogs.isOpen());
                QCOMPARE(window.windowTitle(), QStringLiteral("疑点说明"));
                auto* prompt = child<QTextEdit>(window, "编辑框提示");
                QCOMPARE(prompt->toPlainText(), QString());
                QCOMPARE(prompt->height(), 0);
                QVERIFY(prompt->font().bold());
                QCOMPARE(body(window)->y(), 2 * kDefaultDialogMargin);
                QCOMPARE(body(window)->toPlainText(), QStringLiteral("第一段\n\n第二段"));
                QVERIFY(body(window)->isReadOnly());
                QVERIFY(child<QPushButton>(window, "按钮确定")->isHidden());
                QVERIFY(child<QWidget>(window, "外形框")->isHidden());
                auto* close = child<QPushButton>(window, "按钮取消");
                QCOMPARE(close->text(), QStringLiteral("关闭(&G)"));
                QVERIFY(close->isDefault());
                QCOMPARE(window.focusWidget(), body(window));
                // The hidden tool row still holds the close button's strip under the body.
                QCOMPARE(body(window)->y() + body(window)->height() + 34, window.height());
                // Return presses the default button.
                QTest::keyClick(&window, Qt::Key_Return);
                QVERIFY(!window.isVisible());
                checked = true;
            });
    QVERIFY(checked);
    QVERIFY(!confirmed);
    QVERIFY(!dialogs.isOpen());
    QCOMPARE(dialogs.params().title, QStringLiteral("疑点说明"));
    QVERIFY(dialogs.params().viewOnly);
}

void TextDialogTest::promptDefaults_data() {
    QTest::addColumn<bool>("given");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<bool>("inputMode");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("title");
    QTest::newRow("left out, view") << false << QString() << false << QString() << QString();
    QTest::newRow("left out, input") << false << QString() << true << QString() << "标题";
    QTest::newRow("empty, view") << true << QString() << false << "以下为信息详情：" << QString();
    QTest::newRow("empty, input") << true << QString() << true << "请输入数据：" << QString();
    QTest::newRow("given") << true << "新闻标题" << false << "新闻标题"
                           << "预览一页评论：";
}

void TextDialogTest::promptDefaults() {
    QFETCH(bool, given);
    QFETCH(QString, prompt);
    QFETCH(bool, inputMode);
    QFETCH(QString, shown);
    QFETCH(QString, title);

    Shell shell;
    TextDialogs dialogs(shell);
    TextDialogOptions options;
    if (given) {
        options.prompt = prompt;
    }
    options.title = title;
    QString result;
    QString seenPrompt;
    QString seenTitle;
    run(dialogs, QStringLiteral("内容"), options, inputMode ? &result : nullptr,
        [&](TextDialogWindow& window) {
            seenPrompt = child<QTextEdit>(window, "编辑框提示")->toPlainText();
            seenTitle = window.windowTitle();
        });
    QCOMPARE(seenPrompt, shown);
    QCOMPARE(seenTitle, title.isEmpty() ? QStringLiteral("Brenvik：") : title);
}

void TextDialogTest::longPromptIsThirtySixPixelsHigh() {
    Shell shell;
    TextDialogs dialogs(shell);
    TextDialogOptions options;
    options.prompt = QString(100, QChar(0x4E2D));
    // A body 420 wide with the default margin gives a client area 430 wide: 70 bytes a line.
    options.bodyWidth = 420;
    int clientWidth = 0;
    int promptHeight = 0;
    int bodyTop = 0;
    run(dialogs, QStringLiteral("正文"), options, nullptr, [&](TextDialogWindow& window) {
        clientWidth = window.width();
        promptHeight = child<QTextEdit>(window, "编辑框提示")->height();
        bodyTop = body(window)->y();
    });
    QCOMPARE(clientWidth, 430);
    QCOMPARE(promptHeight, 36);
    QCOMPARE(bodyTop, 5 + 36 + 5);
}

void TextDialogTest::bodyWidthSetsTheClientWidth() {
    Shell shell;
    TextDialogs dialogs(shell);
    TextDialogOptions options;
    options.bodyWidth = 600;
    options.margin = 0;
    int clientWidth = 0;
    int bodyWidth = 0;
    run(dialogs, QString(), options, nullptr, [&](TextDialogWindow& window) {
        clientWidth = window.width();
        bodyWidth = body(window)->width();
        QCOMPARE(window.margin(), 5);
    });
    QCOMPARE(clientWidth, 610);
    QCOMPARE(bodyWidth, 600);
}

void TextDialogTest::bodyHeightSetsTheClientHeight() {
    Shell shell;
    TextDialogs dialogs(shell);
    TextDialogOptions options;
    options.prompt = QStringLiteral("一行");
    options.bodyHeight = 300;
    options.margin = 8;
    int clientHeight = 0;
    run(dialogs, QString(), options, nullptr,
        [&](TextDialogWindow& window) { clientHeight = window.height(); });
    // prompt 12 + 2 × 8 + body 300 + 3 × 8 + button 24
    QCOMPARE(clientHeight, 12 + 16 + 300 + 24 + 24);
}

void TextDialogTest::layoutFollowsResizing() {
    Shell shell;
    TextDialogParams params;
    params.viewOnly = false;
    params.prompt = QStringLiteral("提示");
    params.margin = 7;
    TextDialogWindow window(params, shell, nullptr);
    window.resize(600, 400);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto* prompt = child<QTextEdit>(window, "编辑框提示");
    auto* tools = child<QWidget>(window, "外形框");
    auto* ok = child<QPushButton>(window, "按钮确定");
    auto* cancel = child<QPushButton>(window, "按钮取消");
    QCOMPARE(prompt->geometry(), QRect(7, 7, 600 - 14, 12));
    QCOMPARE(body(window)->geometry(), QRect(7, 7 + 12 + 7, 586, 400 - 26 - 34));
    QCOMPARE(tools->pos(), QPoint(7, 400 - 34));
    QCOMPARE(cancel->x(), 600 - 7 - cancel->width());
    QCOMPARE(ok->x() + ok->width(), cancel->x());
    QCOMPARE(cancel->y(), tools->y() + tools->height() / 2 - cancel->height() / 2);
    QCOMPARE(ok->y(), cancel->y());
}

void TextDialogTest::confirmingReturnsTheEditedText() {
    Shell shell;
    RecordedMessages messages(shell);
    TextDialogs dialogs(shell);
    QString result = QStringLiteral("untouched");
    const bool confirmed =
        run(dialogs, QStringLiteral("原文"), {}, &result, [&](TextDialogWindow& window) {
            QVERIFY(child<QPushButton>(window, "按钮确定")->isVisible());
            QVERIFY(!body(window)->isReadOnly());
            body(window)->moveCursor(QTextCursor::End);
            body(window)->insertPlainText(QStringLiteral("加"));
            QTest::keyClick(body(window), Qt::Key_Return);
            QTest::keyClicks(body(window), QStringLiteral("x"));
            body(window)->insertPlainText(QStringLiteral("\u00a0y"));
            child<QPushButton>(window, "按钮确定")->click();
        });
    QVERIFY(confirmed);
    QCOMPARE(result, QStringLiteral("原文加\nx\u00a0y"));
    QCOMPARE(dialogs.lastResult(), result);
    QVERIFY(messages.seen.empty());
}

void TextDialogTest::closeQuestionGuardsChangedText() {
    Shell shell;
    RecordedMessages messages(shell);
    TextDialogs dialogs(shell);
    QString result = QStringLiteral("untouched");
    bool keptOpen = false;
    const bool confirmed =
        run(dialogs, QStringLiteral("原文"), {}, &result, [&](TextDialogWindow& window) {
            body(window)->appendPlainText(QStringLiteral("改动"));
            messages.answer = message::kIdNo;
            window.close();
            keptOpen = window.isVisible();
            QTest::keyClick(&window, Qt::Key_Escape);
            keptOpen = keptOpen && window.isVisible();
            messages.answer = message::kIdYes;
            window.close();
        });
    QVERIFY(keptOpen);
    QVERIFY(!confirmed);
    QCOMPARE(result, QStringLiteral("untouched"));
    QCOMPARE(messages.seen.size(), std::size_t{3});
    QCOMPARE(messages.seen[0].text, QStringLiteral("内容已被改动，是否要放弃？"));
    QCOMPARE(messages.seen[0].buttons(), message::kYesNo);
    QCOMPARE(messages.seen[0].title, QStringLiteral("Brenvik："));
}

void TextDialogTest::unchangedTextClosesWithoutQuestion() {
    Shell shell;
    RecordedMessages messages(shell);
    TextDialogs dialogs(shell);
    QString result;
    bool closed = false;
    run(dialogs, QStringLiteral("原文\r\n第二行"), {}, &result, [&](TextDialogWindow& window) {
        window.close();
        closed = !window.isVisible();
    });
    QVERIFY(closed);
    QVERIFY(messages.seen.empty());

    // In view mode a changed text is no reason to ask either.
    closed = false;
    run(dialogs, QStringLiteral("原文"), {}, nullptr, [&](TextDialogWindow& window) {
        body(window)->setPlainText(QStringLiteral("别的"));
        window.close();
        closed = !window.isVisible();
    });
    QVERIFY(closed);
    QVERIFY(messages.seen.empty());
}

void TextDialogTest::toolButtons() {
    Shell shell;
    RecordedMessages messages(shell);
    TextDialogs dialogs(shell);
    QString result;
    run(dialogs, QStringLiteral("原文"), {}, &result, [&](TextDialogWindow& window) {
        child<QPushButton>(window, "按钮清空")->click();
        QCOMPARE(body(window)->toPlainText(), QString());
        child<QPushButton>(window, "按钮恢复")->click();
        QCOMPARE(body(window)->toPlainText(), QStringLiteral("原文"));
        QGuiApplication::clipboard()->setText(QStringLiteral("剪贴\n板"));
        child<QPushButton>(window, "按钮粘贴")->click();
        QCOMPARE(body(window)->toPlainText(), QStringLiteral("剪贴\n板"));
        // The clear is one edit the user can take back.
        child<QPushButton>(window, "按钮清空")->click();
        body(window)->undo();
        QCOMPARE(body(window)->toPlainText(), QStringLiteral("剪贴\n板"));
        child<QPushButton>(window, "按钮确定")->click();
    });
    QVERIFY(messages.seen.empty());
    QCOMPARE(result, QStringLiteral("剪贴\n板"));

    // Restoring an empty initial text only says so.
    run(dialogs, QString(), {}, &result, [&](TextDialogWindow& window) {
        body(window)->setPlainText(QStringLiteral("打字"));
        child<QPushButton>(window, "按钮恢复")->click();
        QCOMPARE(body(window)->toPlainText(), QStringLiteral("打字"));
        messages.answer = message::kIdYes;
    });
    QCOMPARE(messages.seen.size(), std::size_t{1});
    QCOMPARE(messages.seen[0].text, QStringLiteral("启动值为空！"));
    QCOMPARE(messages.seen[0].flags, message::kIconInformation + message::kSystemModal);
}

void TextDialogTest::importButtonsShowAsAsked() {
    Shell shell;
    TextDialogs dialogs(shell);
    for (int buttons : {0, 1, 2, 3}) {
        TextDialogOptions options;
        options.importButtons = buttons;
        QString result;
        bool contents = false;
        bool names = false;
        run(dialogs, QString(), options, &result, [&](TextDialogWindow& window) {
            contents = child<QPushButton>(window, "按钮文件")->isVisible();
            names = child<QPushButton>(window, "按钮文件名")->isVisible();
        });
        QCOMPARE(contents, buttons == 1 || buttons == 3);
        QCOMPARE(names, buttons == 2 || buttons == 3);
    }
}

void TextDialogTest::importAppendsPathsAndContents() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QStringList files;
    const std::string contents[] = {local("甲文件\r\n第二行"), std::string("b\0hidden", 8),
                                    local("丙")};
    for (int i = 0; i < 3; ++i) {
        files << dir.filePath(QStringLiteral("文件%1.txt").arg(i));
        QFile file(files.back());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents[i].data(), static_cast<qint64>(contents[i].size()));
    }

    Shell shell;
    std::vector<OpenFilesRequest> requests;
    shell.setOpenFilesHook([&](const OpenFilesRequest& request) {
        requests.push_back(request);
        return files;
    });
    int pumped = 0;
    tidewell::platform::ScopedEventPump countingPump([&] { ++pumped; });
    TextDialogs dialogs(shell);
    TextDialogOptions options;
    options.importButtons = 3;
    QString result;
    run(dialogs, QStringLiteral("已有"), options, &result, [&](TextDialogWindow& window) {
        body(window)->moveCursor(QTextCursor::Start);
        child<QPushButton>(window, "按钮文件名")->click();
        child<QPushButton>(window, "按钮文件")->click();
        child<QPushButton>(window, "按钮确定")->click();
    });
    QCOMPARE(requests.size(), std::size_t{2});
    QCOMPARE(requests[0].title, QStringLiteral("选择多个文件，将导入其文件路径"));
    QCOMPARE(requests[1].title, QStringLiteral("选择多个文件，将导入其文件内容"));
    QCOMPARE(requests[0].filter,
             QStringLiteral("文本文本|*.txt;*.text;*.ini;*.htn;*.html|全部文件|*.*"));
    QCOMPARE(pumped, 6);
    QCOMPARE(result, QStringLiteral("已有") + files.join(u'\n') + u'\n' +
                         QStringLiteral("甲文件\n第二行\nb\n丙\n"));
}

void TextDialogTest::onlyOneDialogAtATime() {
    Shell shell;
    TextDialogs dialogs(shell);
    bool second = true;
    QString bodyText;
    run(dialogs, QStringLiteral("第一个"), {}, nullptr, [&](TextDialogWindow& window) {
        TextDialogOptions options;
        options.title = QStringLiteral("第二个");
        QString result;
        second = dialogs.TextDialog(QStringLiteral("第二个"), options, &result);
        bodyText = body(window)->toPlainText();
        QVERIFY(window.isVisible());
    });
    QVERIFY(!second);
    QCOMPARE(bodyText, QStringLiteral("第一个"));
    QCOMPARE(dialogs.params().initialText, QStringLiteral("第一个"));
    QVERIFY(!dialogs.isOpen());
}

void TextDialogTest::ownerMakesTheDialogModalOverIt() {
    Shell shell;
    TextDialogs dialogs(shell);
    QWidget owner;
    owner.show();
    Qt::WindowModality withOwner = Qt::NonModal;
    Qt::WindowModality without = Qt::NonModal;
    QWidget* parent = nullptr;
    TextDialogOptions options;
    options.owner = &owner;
    run(dialogs, QString(), options, nullptr, [&](TextDialogWindow& window) {
        withOwner = window.windowModality();
        parent = window.parentWidget();
    });
    run(dialogs, QString(), {}, nullptr,
        [&](TextDialogWindow& window) { without = window.windowModality(); });
    QCOMPARE(withOwner, Qt::WindowModal);
    QCOMPARE(parent, &owner);
    QCOMPARE(without, Qt::ApplicationModal);
}

QTEST_MAIN(TextDialogTest)
#include "text_dialog_test.moc"
