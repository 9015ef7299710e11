#include "app/main_window.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <memory>

#include "app/banner_widgets.h"
#include "app/local_text.h"
#include "app/qt_run_window.h"
#include "app/shell.h"
#include "app/tests/find_child.h"
#include "app/text_dialog.h"
#include "platform/encoding.h"
#include "tidewell_config.h"

using namespace tidewell::app;
using tidewell::app::testing::child;
using tidewell::platform::local;

namespace {

QString textOf(QWidget* widget) {
    if (auto* box = qobject_cast<QPlainTextEdit*>(widget)) {
        return box->toPlainText();
    }
    if (auto* line = qobject_cast<QLineEdit*>(widget)) {
        return line->text();
    }
    if (auto* button = qobject_cast<QPushButton*>(widget)) {
        return button->text();
    }
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        return label->text();
    }
    return {};
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void windowFrame();
    void controls_data();
    void controls();
    void sampleListNamesTheNewsHost();
    void editTextIsLocalTextWithCrLf();
    void tagButtonsInsertAtTheCaret();
    void tagButtonsReplaceTheKeptSelection();
    void pasteReplacesTheList();
    void folderButtonChoosesTheSaveDirectory();
    void folderButtonRightPressOpensTheSaveDirectory();
    void saveFolderToOpen_data();
    void saveFolderToOpen();
    void logoTravelsBetweenItsBounds();
    void bannerOpensTheMakersAddresses();
    void bannerSaveControlsAskForASave();
    void bannerShowsTheExplanation();
    void startButtonReportsBothButtons();
    void closeIsReportedAndNeverRefused();
    void runWindowDrivesTheControls();
    void runWindowShowsDialogAndMessage();

  private:
    std::unique_ptr<Shell> shell_;
    std::unique_ptr<TextDialogs> dialogs_;
    std::unique_ptr<MainWindow> window_;
    QStringList opened_;
    std::vector<LaunchRequest> launched_;
    std::vector<MessageRequest> messages_;
    QString folderAnswer_;
    FolderRequest folderAsked_;
};

void MainWindowTest::init() {
    shell_ = std::make_unique<Shell>();
    opened_.clear();
    launched_.clear();
    messages_.clear();
    shell_->setOpenHook([this](const QString& target) { opened_ << target; });
    shell_->setLaunchHook([this](const LaunchRequest& request) {
        launched_.push_back(request);
        return true;
    });
    shell_->setMessageHook([this](const MessageRequest& request) {
        messages_.push_back(request);
        return message::kIdOk;
    });
    shell_->setFolderHook([this](const FolderRequest& request) {
        folderAsked_ = request;
        return folderAnswer_;
    });
    dialogs_ = std::make_unique<TextDialogs>(*shell_);
    window_ = std::make_unique<MainWindow>(*shell_, *dialogs_, local("/程序"));
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
}

void MainWindowTest::cleanup() {
    window_.reset();
    dialogs_.reset();
    shell_.reset();
}

void MainWindowTest::windowFrame() {
    QCOMPARE(window_->windowTitle(), QStringLiteral("Brenvik·Tidewell v1.0.1.0"));
    QCOMPARE(window_->size(), MainWindow::kClientSize);
    QCOMPARE(window_->minimumSize(), window_->maximumSize());
    QCOMPARE(window_->pos(), QPoint(50, 50));
}

void MainWindowTest::controls_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("place");
    QTest::addColumn<QString>("text");
    auto row = [](const char* name, QRect place, const QString& text) {
        QTest::newRow(name) << QString::fromUtf8(name) << place << text;
    };
    row("按钮粘贴", {16, 104, 192, 24}, "粘贴新闻地址列表");
    row("编辑框列表", {16, 130, 192, 190}, MainWindow::SampleAddressList());
    row("标签2", {240, 104, 80, 24}, "保存模板：");
    row("按钮1", {321, 104, 60, 24}, "#评论#");
    row("按钮2", {382, 104, 60, 24}, "#时间#");
    row("按钮3", {443, 104, 60, 24}, "#昵称#");
    row("按钮5", {504, 104, 50, 24}, "#ID#");
    row("按钮4", {555, 104, 60, 24}, "#地方#");
    row("按钮6", {616, 104, 50, 24}, "#IP#");
    row("编辑框保存模板", {240, 130, 488, 48},
        "#地方#(#IP#)的网友#昵称#(#ID#)在 #时间# 说：#评论#");
    row("标签6", {240, 189, 108, 24}, "评论最少字数：");
    row("编辑框评论最少字数", {349, 189, 40, 24}, "0");
    row("标签3", {421, 189, 72, 24}, "页延时秒：");
    row("编辑框页延时秒", {500, 189, 40, 24}, "0");
    row("标签7", {240, 221, 108, 24}, "评论最多字数：");
    row("编辑框评论最多字数", {349, 221, 40, 24}, "200");
    row("标签1", {421, 221, 80, 24}, "采集页数：");
    row("编辑框采集页数", {500, 221, 40, 24}, "全部");
    row("标签4", {566, 221, 121, 24}, "每文件几个评论：");
    row("编辑框几条保存", {688, 221, 40, 24}, "全部");
    row("标签5", {240, 256, 80, 24}, "保存目录：");
    row("编辑框保存目录", {320, 256, 408, 24}, "不填则当前程序目录");
    row("按钮选择保存目录", {694, 258, 32, 20}, "··");
    row("按钮开始采集", {240, 288, 488, 32}, "开始采集");
    row("进度条", {16, 328, 712, 24}, QString());
    row("透明标签", {32, 328, 680, 24}, QString());
    row("编辑框显示", {16, 361, 712, 265},
        "每采集一页的评论内容都在这里显示\n\n这里仅用于显示，方便了解采集情况\n\n"
        "软件已实时自动保存到设定的保存目录中");
    row("图片框1", {0, 0, 1000, 90}, QString());
    // The banner's controls, within the banner.
    row("标签10", {-1, 88, 1200, 2}, QString());
    row("图片保存配置", {15, 0, 64, 64}, QString());
    row("链接保存配置", {15, 64, 64, 24}, "保存配置");
    row("图片疑点说明", {90, 0, 64, 64}, QString());
    row("链接疑点说明", {90, 64, 64, 24}, "疑点说明");
    row("图片联系", {168, 0, 64, 64}, QString());
    row("链接联系", {168, 64, 64, 24}, "联系我们");
    row("图片软件主页", {245, 0, 64, 64}, QString());
    row("链接软件主页", {245, 64, 64, 24}, "软件主页");
    row("图片Brenvik软件", {360, 12, 195, 64}, QString());
}

void MainWindowTest::controls() {
    QFETCH(QString, name);
    QFETCH(QRect, place);
    QFETCH(QString, text);
    auto* widget = window_->findChild<QWidget*>(name);
    QVERIFY2(widget != nullptr, qPrintable(name));
    QCOMPARE(widget->geometry(), place);
    QCOMPARE(textOf(widget), text);
    QVERIFY(widget->isVisible());
}

void MainWindowTest::sampleListNamesTheNewsHost() {
    const QStringList lines = MainWindow::SampleAddressList().split(u'\n');
    QCOMPARE(lines.size(), 7);
    const QString host = QStringLiteral("http://" TIDEWELL_NEWS_HOST "/");
    const QString viewer =
        QStringLiteral("http://" TIDEWELL_NEWS_HOST "/comment/skin/default.html?channel=");
    int viewers = 0;
    for (const QString& line : lines) {
        QVERIFY2(line.startsWith(host), qPrintable(line));
        if (line.startsWith(viewer)) {
            QVERIFY(line.contains(QStringLiteral("&newsid=")));
            ++viewers;
        } else {
            QVERIFY(line.endsWith(QStringLiteral(".html")));
        }
    }
    QCOMPARE(viewers, 2);
    // The run reads the list split at CR LF.
    const std::string list = window_->EditText("编辑框列表");
    QCOMPARE(std::count(list.begin(), list.end(), '\n'), 6);
    QCOMPARE(list.find("\r\n") != std::string::npos, true);
}

void MainWindowTest::editTextIsLocalTextWithCrLf() {
    window_->SetEditText("编辑框保存模板", local("第一行\r\n第二行 #评论#"));
    QCOMPARE(child<QPlainTextEdit>(*window_, "编辑框保存模板")->toPlainText(),
             QStringLiteral("第一行\n第二行 #评论#"));
    QCOMPARE(window_->EditText("编辑框保存模板"), local("第一行\r\n第二行 #评论#"));
    window_->SetEditText("编辑框保存目录", local("/数据/输出"));
    QCOMPARE(window_->EditText("编辑框保存目录"), local("/数据/输出"));
    QCOMPARE(window_->EditText("没有这个"), std::string());
    // No box has a length limit.
    const std::string longPath = "/" + std::string(40000, 'a');
    window_->SetEditText("编辑框保存目录", longPath);
    window_->SetEditText("编辑框采集页数", longPath);
    QCOMPARE(window_->EditText("编辑框保存目录"), longPath);
    QCOMPARE(window_->EditText("编辑框采集页数"), longPath);
}

void MainWindowTest::tagButtonsInsertAtTheCaret() {
    auto* box = child<QPlainTextEdit>(*window_, "编辑框保存模板");
    box->setPlainText(QStringLiteral("网友(说"));
    box->setFocus();
    QTextCursor cursor = box->textCursor();
    cursor.setPosition(3);
    box->setTextCursor(cursor);
    QTest::mouseClick(child<QPushButton>(*window_, "按钮5"), Qt::LeftButton);
    QCOMPARE(box->toPlainText(), QStringLiteral("网友(#ID#说"));
    QTest::mouseClick(child<QPushButton>(*window_, "按钮6"), Qt::LeftButton);
    QCOMPARE(box->toPlainText(), QStringLiteral("网友(#ID##IP#说"));
}

void MainWindowTest::tagButtonsReplaceTheKeptSelection() {
    auto* box = child<QPlainTextEdit>(*window_, "编辑框保存模板");
    box->setPlainText(QStringLiteral("在 XXXX 说"));
    box->setFocus();
    QTextCursor cursor = box->textCursor();
    cursor.setPosition(2);
    cursor.setPosition(6, QTextCursor::KeepAnchor);
    box->setTextCursor(cursor);
    // The focus leaves the box for the button; the box keeps its selection.
    child<QPushButton>(*window_, "按钮2")->setFocus();
    QTest::mouseClick(child<QPushButton>(*window_, "按钮2"), Qt::LeftButton);
    QCOMPARE(box->toPlainText(), QStringLiteral("在 #时间# 说"));
}

void MainWindowTest::pasteReplacesTheList() {
    QGuiApplication::clipboard()->setText(QStringLiteral("http://a/1.html\nhttp://a/2.html"));
    QTest::mouseClick(child<QPushButton>(*window_, "按钮粘贴"), Qt::LeftButton);
    QCOMPARE(window_->EditText("编辑框列表"), std::string("http://a/1.html\r\nhttp://a/2.html"));
    QGuiApplication::clipboard()->clear();
    QTest::mouseClick(child<QPushButton>(*window_, "按钮粘贴"), Qt::LeftButton);
    QCOMPARE(window_->EditText("编辑框列表"), std::string());
}

void MainWindowTest::folderButtonChoosesTheSaveDirectory() {
    auto* box = child<QLineEdit>(*window_, "编辑框保存目录");
    auto* button = child<QPushButton>(*window_, "按钮选择保存目录");
    box->setText(QStringLiteral("/tmp"));
    folderAnswer_ = QStringLiteral("/数据/评论");
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(folderAsked_.initialFolder, QStringLiteral("/tmp"));
    QCOMPARE(folderAsked_.title, QStringLiteral("请选择一个文件夹"));
    QCOMPARE(box->text(), QStringLiteral("/数据/评论"));

    folderAnswer_.clear();
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(box->text(), QStringLiteral("/数据/评论"));
    QVERIFY(launched_.empty());
}

void MainWindowTest::folderButtonRightPressOpensTheSaveDirectory() {
    auto* box = child<QLineEdit>(*window_, "编辑框保存目录");
    auto* button = child<QPushButton>(*window_, "按钮选择保存目录");
    folderAnswer_ = QStringLiteral("/不该选");
    QTest::mousePress(button, Qt::RightButton);
    QTest::mouseRelease(button, Qt::RightButton);
    QCOMPARE(launched_.size(), std::size_t{1});
    QCOMPARE(launched_[0].program, QStringLiteral("xdg-open"));
    QCOMPARE(launched_[0].arguments, QStringList{QStringLiteral("/程序/保存目录")});
    QCOMPARE(box->text(), QStringLiteral("不填则当前程序目录"));

    box->setText(QStringLiteral("/data/out"));
    QTest::mousePress(button, Qt::RightButton);
    QCOMPARE(launched_.size(), std::size_t{2});
    QCOMPARE(launched_[1].arguments, QStringList{QStringLiteral("/data/out")});
}

void MainWindowTest::saveFolderToOpen_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("folder");
    QTest::newRow("design text") << "不填则当前程序目录"
                                 << "/程序/保存目录";
    QTest::newRow("empty") << ""
                           << "/程序/保存目录";
    QTest::newRow("relative") << "out/"
                              << "/程序/保存目录";
    QTest::newRow("Windows drive") << "D:\\out"
                                   << "/程序/保存目录";
    QTest::newRow("absolute") << "/data/评论"
                              << "/data/评论";
    QTest::newRow("final slash") << "/data/out/"
                                 << "/data/out";
    QTest::newRow("home") << "~/评论" << QDir::homePath() + QStringLiteral("/评论");
}

void MainWindowTest::saveFolderToOpen() {
    QFETCH(QString, text);
    QFETCH(QString, folder);
    QCOMPARE(fromLocal(SaveFolderToOpen(toLocal(text), local("/程序"))), folder);
}

void MainWindowTest::logoTravelsBetweenItsBounds() {
    auto* timer = window_->findChild<QTimer*>(QStringLiteral("时钟官网"));
    QVERIFY(timer != nullptr);
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 20);
    timer->stop();

    auto* logo = child<QWidget>(*window_, "图片Brenvik软件");
    QVERIFY(window_->logoMovingRight());
    const int rightBound = window_->width() - 20;
    // Right until the logo's right edge has passed the bound by one pixel.
    int ticks = 0;
    while (window_->logoMovingRight()) {
        window_->MoveLogo();
        ++ticks;
        QVERIFY(ticks < 2000);
    }
    QCOMPARE(logo->x() + logo->width(), rightBound + 1);
    QCOMPARE(ticks, rightBound + 1 - (360 + 195));
    window_->MoveLogo();
    QCOMPARE(logo->x() + logo->width(), rightBound);
    // Left until it passes 20 pixels right of 图片软件主页 (245 + 64).
    while (!window_->logoMovingRight()) {
        window_->MoveLogo();
        QVERIFY(logo->x() > 0);
    }
    QCOMPARE(logo->x(), 245 + 64 + 20 - 1);
    window_->MoveLogo();
    QCOMPARE(logo->x(), 245 + 64 + 20);
    QCOMPARE(logo->y(), 12);
}

void MainWindowTest::bannerOpensTheMakersAddresses() {
    QTest::mouseClick(child<QWidget>(*window_, "图片联系"), Qt::LeftButton);
    QTest::mouseClick(child<QWidget>(*window_, "链接联系"), Qt::LeftButton);
    QTest::mouseClick(child<QWidget>(*window_, "图片软件主页"), Qt::LeftButton);
    QTest::mouseClick(child<QWidget>(*window_, "链接软件主页"), Qt::LeftButton);
    QTest::mouseClick(child<QWidget>(*window_, "图片Brenvik软件"), Qt::LeftButton);
    // Links without an address open nothing.
    QTest::mouseClick(child<QWidget>(*window_, "链接保存配置"), Qt::LeftButton);
    QCOMPARE(
        opened_,
        (QStringList{QStringLiteral(TIDEWELL_MAKER_CONTACT), QStringLiteral(TIDEWELL_MAKER_CONTACT),
                     QStringLiteral(TIDEWELL_PRODUCT_PAGE), QStringLiteral(TIDEWELL_PRODUCT_PAGE),
                     QStringLiteral(TIDEWELL_MAKER_HOME)}));
    QCOMPARE(child<LinkLabel>(*window_, "链接联系")->address(),
             QStringLiteral(TIDEWELL_MAKER_CONTACT));
}

void MainWindowTest::bannerSaveControlsAskForASave() {
    QSignalSpy saves(window_.get(), &MainWindow::saveRequested);
    QTest::mouseClick(child<QWidget>(*window_, "图片保存配置"), Qt::LeftButton);
    QCOMPARE(saves.count(), 1);
    // The link acts on the press of the left button.
    QTest::mousePress(child<QWidget>(*window_, "链接保存配置"), Qt::LeftButton);
    QCOMPARE(saves.count(), 2);
    QTest::mouseRelease(child<QWidget>(*window_, "链接保存配置"), Qt::LeftButton);
    QTest::mousePress(child<QWidget>(*window_, "链接保存配置"), Qt::RightButton);
    QCOMPARE(saves.count(), 2);
}

void MainWindowTest::bannerShowsTheExplanation() {
    int shown = 0;
    dialogs_->setShownHook([&](TextDialogWindow& dialog) {
        ++shown;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("疑点说明"));
        QCOMPARE(dialog.parentWidget(), window_.get());
        QCOMPARE(child<QPlainTextEdit>(dialog, "编辑框正文")->toPlainText(),
                 MainWindow::ExplanationText());
        dialog.close();
    });
    QTest::mouseClick(child<QWidget>(*window_, "图片疑点说明"), Qt::LeftButton);
    QTest::mousePress(child<QWidget>(*window_, "链接疑点说明"), Qt::LeftButton);
    QCOMPARE(shown, 2);
    QVERIFY(dialogs_->params().viewOnly);
    QCOMPARE(dialogs_->params().prompt, QString());

    const QStringList paragraphs = MainWindow::ExplanationText().split(QStringLiteral("\n\n"));
    QCOMPARE(paragraphs.size(), 9);
    QCOMPARE(paragraphs[1],
             QStringLiteral("可以提供新闻地址或评论地址列表，软件将自动抓取评论保存到文本文件。"));
    QVERIFY(paragraphs[2].startsWith(QStringLiteral("新闻地址：http://" TIDEWELL_NEWS_HOST "/")));
    QVERIFY(paragraphs[2].contains(
        QStringLiteral("\n评论地址：http://" TIDEWELL_NEWS_HOST "/comment/")));
    QCOMPARE(paragraphs[8], QStringLiteral("开始采集：右击“开始采集”按钮可预览一页评论，"
                                           "左击则是正式采集并保存到文件。"));
}

void MainWindowTest::startButtonReportsBothButtons() {
    QSignalSpy clicks(window_.get(), &MainWindow::startClicked);
    QSignalSpy rightPresses(window_.get(), &MainWindow::startRightPressed);
    auto* start = child<QPushButton>(*window_, "按钮开始采集");
    QTest::mouseClick(start, Qt::LeftButton);
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(rightPresses.count(), 0);
    QTest::mousePress(start, Qt::RightButton);
    QCOMPARE(rightPresses.count(), 1);
    QTest::mouseRelease(start, Qt::RightButton);
    QCOMPARE(clicks.count(), 1);
}

void MainWindowTest::closeIsReportedAndNeverRefused() {
    QSignalSpy closing(window_.get(), &MainWindow::closing);
    QVERIFY(!window_->closed());
    QVERIFY(window_->close());
    QCOMPARE(closing.count(), 1);
    QVERIFY(window_->closed());
    QVERIFY(!window_->isVisible());
}

void MainWindowTest::runWindowDrivesTheControls() {
    QtRunWindow run(*window_, *shell_, *dialogs_);
    QCOMPARE(run.StartCaption(), local("开始采集"));
    run.SetStartCaption(local("停止采集"));
    QCOMPARE(child<QPushButton>(*window_, "按钮开始采集")->text(), QStringLiteral("停止采集"));
    QCOMPARE(run.StartCaption(), local("停止采集"));

    run.PlaceLabelOverProgress(10, 0);
    auto* label = window_->progressLabel();
    QCOMPARE(label->parentWidget(), window_->progressBar());
    QCOMPARE(label->pos(), QPoint(10, 0));
    QVERIFY(label->isVisible());
    run.SetProgressMaximum(3);
    run.SetProgressPosition(2);
    QCOMPARE(window_->progressBar()->maximum(), 3);
    QCOMPARE(window_->progressBar()->value(), 2);
    run.SetLabelText(local("(3:2) 1 页：标题"));
    QCOMPARE(label->text(), QStringLiteral("(3:2) 1 页：标题"));

    run.SetDisplayText(local("一\r\n二\r\n"));
    QCOMPARE(window_->displayBox()->toPlainText(), QStringLiteral("一\n二\n"));
    QCOMPARE(run.EditText("编辑框采集页数"), local("全部"));

    // Events posted before the pump run inside it.
    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    QTest::qWait(1);
    ran = false;
    QMetaObject::invokeMethod(
        window_.get(), [&] { ran = true; }, Qt::QueuedConnection);
    run.PumpEvents();
    QVERIFY(ran);
}

void MainWindowTest::runWindowShowsDialogAndMessage() {
    QtRunWindow run(*window_, *shell_, *dialogs_);
    QString prompt;
    QString title;
    QString content;
    QWidget* owner = window_.get();
    dialogs_->setShownHook([&](TextDialogWindow& dialog) {
        prompt = dialog.findChild<QTextEdit*>(QStringLiteral("编辑框提示"))->toPlainText();
        title = dialog.windowTitle();
        content = child<QPlainTextEdit>(dialog, "编辑框正文")->toPlainText();
        owner = dialog.parentWidget();
        dialog.close();
    });
    run.ShowTextDialog(local("评论一\r\n评论二\r\n"), local(""), local("预览一页评论："));
    QCOMPARE(prompt, QStringLiteral("以下为信息详情："));
    QCOMPARE(title, QStringLiteral("预览一页评论："));
    QCOMPARE(content, QStringLiteral("评论一\n评论二\n"));
    QCOMPARE(owner, nullptr);

    QCOMPARE(run.ShowMessage(local("采集完成！"), 0, local("Brenvik·Tidewell")), message::kIdOk);
    QCOMPARE(messages_.size(), std::size_t{1});
    QCOMPARE(messages_[0].text, QStringLiteral("采集完成！"));
    QCOMPARE(messages_[0].title, QStringLiteral("Brenvik·Tidewell"));
    QCOMPARE(messages_[0].icon(), message::kIconInformation);

    // A run that outlives its closed window ends quietly.
    window_->close();
    run.ShowMessage(local("采集完成！"), 0, local("Brenvik·Tidewell"));
    QCOMPARE(messages_.size(), std::size_t{1});
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
