// Full runs from the window against tidewell-fakeportal, the local stand-in for the portal,
// reached as the run's HTTP proxy.
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/local_text.h"
#include "app/main_window.h"
#include "app/startup.h"
#include "app/tests/find_child.h"
#include "platform/encoding.h"
#include "platform/event_pump.h"
#include "platform/files.h"
#include "tidewell_config.h"
#include "tools/fakeportal_process.h"

using namespace tidewell::app;
using tidewell::app::testing::child;
using tidewell::platform::local;

namespace {

const QString kNews = QStringLiteral("http://" TIDEWELL_NEWS_HOST);

// The page texts of the fixture thread seven-comments, rendered through the template #评论#.
const QStringList kSevenComments = {
    QStringLiteral("第一页第一条评论，写得不错。"), QStringLiteral("第一页第二条评论！"),
    QStringLiteral("第一页第三条评论？"),           QStringLiteral("第二页第一条评论；观点很新。"),
    QStringLiteral("第二页第二条评论，支持。"),     QStringLiteral("第二页第三条评论，反对。"),
    QStringLiteral("第三页唯一的一条评论。"),
};

// What the label and the display box showed at each page pause.
struct PauseRecord {
    QString label;
    QString display;
    int progress = 0;
};

}  // namespace

class RunTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void fullRunWritesTheFilesAndReports();
    void previewShowsOnePageInTheTextDialog();
    void secondPressDuringAPauseStops_data();
    void secondPressDuringAPauseStops();

  private:
    MainWindow& window() { return program_->window(); }
    QString outputFolder() const { return dir_->path() + QStringLiteral("/输出"); }
    std::string outputFile(const QString& name) const {
        return tidewell::platform::readWholeFile(toLocal(outputFolder() + u'/' + name))
            .value_or("<missing>");
    }
    void setList(const QStringList& addresses) {
        child<QPlainTextEdit>(window(), "编辑框列表")->setPlainText(addresses.join(u'\n'));
    }

    std::unique_ptr<tidewell::tools::FakePortalProcess> portal_;
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<Program> program_;
    std::vector<MessageRequest> messages_;
    std::vector<PauseRecord> pauses_;
    std::function<void(int)> onPause_;
    tidewell::platform::SleepHook previousSleep_;
};

void RunTest::initTestCase() {
    portal_ = std::make_unique<tidewell::tools::FakePortalProcess>();
    qputenv("http_proxy", QByteArray::fromStdString(portal_->proxyUrl()));
    qunsetenv("no_proxy");
    qunsetenv("NO_PROXY");
}

void RunTest::cleanupTestCase() {
    portal_.reset();
}

void RunTest::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    messages_.clear();
    pauses_.clear();
    onPause_ = nullptr;
    program_ = std::make_unique<Program>(toLocal(dir_->path()));
    program_->shell().setMessageHook([this](const MessageRequest& request) {
        messages_.push_back(request);
        return message::kIdOk;
    });
    window().show();
    QVERIFY(QTest::qWaitForWindowExposed(&window()));
    child<QLineEdit>(window(), "编辑框保存目录")->setText(outputFolder());
    child<QPlainTextEdit>(window(), "编辑框保存模板")->setPlainText(QStringLiteral("#评论#"));
    // Page pauses go through the sleep hook, 10 ms a call: a pause of 0.01 s is one call, which
    // takes a look at the window.
    child<QLineEdit>(window(), "编辑框页延时秒")->setText(QStringLiteral("0.01"));
    previousSleep_ = tidewell::platform::setSleepHook([this](int milliseconds) {
        const int pause = static_cast<int>(pauses_.size());
        pauses_.push_back({window().progressLabel()->text(), window().displayBox()->toPlainText(),
                           window().progressBar()->value()});
        if (onPause_) {
            onPause_(pause);
        }
        QTest::qSleep(milliseconds);
    });
}

void RunTest::cleanup() {
    tidewell::platform::setSleepHook(std::move(previousSleep_));
    program_.reset();
    dir_.reset();
}

void RunTest::fullRunWritesTheFilesAndReports() {
    // Three lines, the second blank: the progress counts it, nothing is collected for it.
    setList({kNews + QStringLiteral("/gn/seven-comments.html"), QStringLiteral("  "),
             kNews + QStringLiteral("/comment/skin/default.html?channel=gj&newsid=slash-title")});
    QSignalSpy progress(window().progressBar(), &QProgressBar::valueChanged);

    QTest::mouseClick(window().startButton(), Qt::LeftButton);

    // Seven comments over three pages, one file; the last line of the file has no CR LF.
    QCOMPARE(fromLocal(outputFile(QStringLiteral("七条评论分三页的新闻.txt"))),
             kSevenComments.join(QStringLiteral("\r\n")));
    QCOMPARE(
        fromLocal(outputFile(QStringLiteral("中东局势／最新进展？各方回应：停火／谈判？.txt"))),
        QStringLiteral("标题里有斜杠和问号。\r\n文件名要处理好。"));

    QCOMPARE(window().progressBar()->maximum(), 3);
    QList<int> positions;
    for (const QList<QVariant>& change : progress) {
        positions << change.at(0).toInt();
    }
    QCOMPARE(positions, (QList<int>{1, 2, 3, 0}));

    // One pause after each page, the empty page that ends a thread included.
    QCOMPARE(pauses_.size(), std::size_t{4 + 2});
    QCOMPARE(pauses_[0].label, QStringLiteral("(3:1) 1 页：七条评论分三页的新闻"));
    QCOMPARE(pauses_[0].display, kSevenComments.mid(0, 3).join(u'\n'));
    QCOMPARE(pauses_[0].progress, 1);
    QCOMPARE(pauses_[2].label, QStringLiteral("(3:1) 3 页：七条评论分三页的新闻"));
    QCOMPARE(pauses_[4].label,
             QStringLiteral("(3:3) 1 页：中东局势/最新进展?各方回应：停火/谈判?"));
    QCOMPARE(pauses_[4].progress, 3);
    QCOMPARE(window().progressLabel()->parentWidget(), window().progressBar());
    QCOMPARE(window().progressLabel()->pos(), QPoint(10, 0));

    // The end: progress and label reset, the button idle, and the message.
    QCOMPARE(window().progressBar()->value(), 0);
    QCOMPARE(window().progressLabel()->text(), QString());
    QCOMPARE(window().startButton()->text(), QStringLiteral("开始采集"));
    QCOMPARE(window().displayBox()->toPlainText(),
             QStringLiteral("标题里有斜杠和问号。\n文件名要处理好。"));
    QCOMPARE(messages_.size(), std::size_t{1});
    QCOMPARE(messages_[0].text, QStringLiteral("采集完成！"));
    QCOMPARE(messages_[0].title, QStringLiteral("Brenvik·Tidewell"));
    QCOMPARE(messages_[0].icon(), message::kIconInformation);
}

void RunTest::previewShowsOnePageInTheTextDialog() {
    setList({kNews + QStringLiteral("/gn/seven-comments.html"),
             kNews + QStringLiteral("/comment/skin/default.html?channel=gj&newsid=slash-title")});
    QString prompt;
    QString title;
    QString content;
    bool viewOnly = false;
    int shown = 0;
    program_->dialogs().setShownHook([&](TextDialogWindow& dialog) {
        ++shown;
        prompt = dialog.findChild<QTextEdit*>(QStringLiteral("编辑框提示"))->toPlainText();
        title = dialog.windowTitle();
        content = child<QPlainTextEdit>(dialog, "编辑框正文")->toPlainText();
        viewOnly = child<QPushButton>(dialog, "按钮确定")->isHidden();
        dialog.close();
    });

    QTest::mousePress(window().startButton(), Qt::RightButton);
    QTest::mouseRelease(window().startButton(), Qt::RightButton);

    QCOMPARE(shown, 1);
    QCOMPARE(title, QStringLiteral("预览一页评论："));
    QCOMPARE(prompt, QStringLiteral("七条评论分三页的新闻"));
    QCOMPARE(content, kSevenComments.mid(0, 3).join(u'\n'));
    QVERIFY(viewOnly);
    // A preview writes nothing and ends without a message.
    QCOMPARE(outputFile(QStringLiteral("七条评论分三页的新闻.txt")), std::string("<missing>"));
    QVERIFY(messages_.empty());
    QCOMPARE(window().startButton()->text(), QStringLiteral("开始采集"));
    QCOMPARE(window().progressBar()->value(), 0);
}

void RunTest::secondPressDuringAPauseStops_data() {
    QTest::addColumn<bool>("rightButton");
    QTest::newRow("left click") << false;
    QTest::newRow("right press") << true;
}

void RunTest::secondPressDuringAPauseStops() {
    QFETCH(bool, rightButton);
    setList({kNews + QStringLiteral("/gn/seven-comments.html"),
             kNews + QStringLiteral("/comment/skin/default.html?channel=gj&newsid=slash-title")});
    // A long pause; the press arrives from the window's event queue while the run waits.
    child<QLineEdit>(window(), "编辑框页延时秒")->setText(QStringLiteral("600"));
    int dialogs = 0;
    program_->dialogs().setShownHook([&](TextDialogWindow& dialog) {
        ++dialogs;
        dialog.close();
    });
    QString captionAfterPress;
    onPause_ = [&](int pause) {
        if (pause != 0) {
            return;
        }
        QTimer::singleShot(0, window().startButton(), [&] {
            if (rightButton) {
                QTest::mousePress(window().startButton(), Qt::RightButton);
                QTest::mouseRelease(window().startButton(), Qt::RightButton);
            } else {
                QTest::mouseClick(window().startButton(), Qt::LeftButton);
            }
            captionAfterPress = window().startButton()->text();
        });
    };

    QTest::mouseClick(window().startButton(), Qt::LeftButton);

    QCOMPARE(captionAfterPress, QStringLiteral("正在停止.."));
    // The pause ended at the stop, within a few 10 ms steps, and no other address was tried.
    QVERIFY2(pauses_.size() < 10, qPrintable(QString::number(pauses_.size())));
    QCOMPARE(dialogs, 0);
    // The page collected before the stop is kept.
    QCOMPARE(fromLocal(outputFile(QStringLiteral("七条评论分三页的新闻.txt"))),
             kSevenComments.mid(0, 3).join(QStringLiteral("\r\n")));
    QCOMPARE(outputFile(QStringLiteral("中东局势／最新进展？各方回应：停火／谈判？.txt")),
             std::string("<missing>"));
    QCOMPARE(messages_.size(), std::size_t{1});
    QCOMPARE(messages_[0].text, QStringLiteral("采集完成！"));
    QCOMPARE(window().startButton()->text(), QStringLiteral("开始采集"));
    QCOMPARE(window().progressBar()->value(), 0);
    QCOMPARE(window().progressLabel()->text(), QString());
}

QTEST_MAIN(RunTest)
#include "run_test.moc"
