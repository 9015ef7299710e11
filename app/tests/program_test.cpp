#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <optional>
#include <string>

#include "app/local_text.h"
#include "app/main_window.h"
#include "app/startup.h"
#include "app/tests/find_child.h"
#include "platform/encoding.h"
#include "platform/files.h"

using namespace tidewell::app;
using tidewell::app::testing::child;
using tidewell::platform::local;

namespace {

std::string readFile(const std::string& localPath) {
    return tidewell::platform::readWholeFile(localPath).value_or("<missing>");
}

}  // namespace

class ProgramTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void settingsFileIsNamedAfterTheProduct();
    void firstStartShowsEveryDesignText();
    void closingWritesTheSettingsAndTheNextStartShowsThem();
    void emptiedValuesComeBackAsStored();
    void saveControlsSaveAndSaySo();
    void closingDuringARunAsksItToStop();

  private:
    std::string directory() const { return toLocal(dir_->path()); }
    std::string settingsFile() const { return Program::SettingsPath(directory()); }
    std::string listFile() const { return directory() + local("/inibin/主界面-列表.ibn"); }
    std::unique_ptr<Program> start() {
        auto program = std::make_unique<Program>(directory());
        program->shell().setMessageHook([this](const MessageRequest& request) {
            messages_.push_back(request);
            return message::kIdOk;
        });
        program->window().show();
        return program;
    }

    std::unique_ptr<QTemporaryDir> dir_;
    std::vector<MessageRequest> messages_;
};

void ProgramTest::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    messages_.clear();
}

void ProgramTest::settingsFileIsNamedAfterTheProduct() {
    QCOMPARE(Program::SettingsPath(local("/opt/程序")), local("/opt/程序/Brenvik·Tidewell.ini"));
}

void ProgramTest::firstStartShowsEveryDesignText() {
    auto program = start();
    MainWindow& window = program->window();
    QCOMPARE(fromLocal(window.EditText("编辑框保存模板")),
             QStringLiteral("#地方#(#IP#)的网友#昵称#(#ID#)在 #时间# 说：#评论#"));
    QCOMPARE(fromLocal(window.EditText("编辑框页延时秒")), QStringLiteral("0"));
    QCOMPARE(fromLocal(window.EditText("编辑框采集页数")), QStringLiteral("全部"));
    QCOMPARE(fromLocal(window.EditText("编辑框几条保存")), QStringLiteral("全部"));
    QCOMPARE(fromLocal(window.EditText("编辑框保存目录")), QStringLiteral("不填则当前程序目录"));
    QCOMPARE(fromLocal(window.EditText("编辑框评论最少字数")), QStringLiteral("0"));
    QCOMPARE(fromLocal(window.EditText("编辑框评论最多字数")), QStringLiteral("200"));
    QCOMPARE(fromLocalLines(window.EditText("编辑框列表")), MainWindow::SampleAddressList());
    QCOMPARE(child<QPushButton>(window, "按钮开始采集")->text(), QStringLiteral("开始采集"));
    // Binding created the settings file; nothing is written before a save.
    QCOMPARE(readFile(settingsFile()), std::string());
    QVERIFY(messages_.empty());
}

void ProgramTest::closingWritesTheSettingsAndTheNextStartShowsThem() {
    const QString list =
        QStringLiteral("http://news.example/a/1.html\nhttp://news.example/b/2.html");
    {
        auto program = start();
        MainWindow& window = program->window();
        child<QPlainTextEdit>(window, "编辑框保存模板")
            ->setPlainText(QStringLiteral("#评论#\n#时间#"));
        child<QPlainTextEdit>(window, "编辑框列表")->setPlainText(list);
        child<QLineEdit>(window, "编辑框保存目录")->setText(QString());
        QVERIFY(window.close());
    }
    const std::string expected = local(
        "[主界面]\r\n评论最多=200\r\n评论最少=0\r\n保存目录=\r\n几条保存=全部\r\n采集页数=全部\r\n"
        "页延时秒=0\r\n保存模板=#评论#┊*┊#时间#");
    QCOMPARE(readFile(settingsFile()), expected);
    QCOMPARE(readFile(listFile()), toLocalLines(list));

    auto program = start();
    MainWindow& window = program->window();
    QCOMPARE(child<QPlainTextEdit>(window, "编辑框保存模板")->toPlainText(),
             QStringLiteral("#评论#\n#时间#"));
    QCOMPARE(child<QPlainTextEdit>(window, "编辑框列表")->toPlainText(), list);
    QCOMPARE(child<QLineEdit>(window, "编辑框保存目录")->text(), QString());
    QCOMPARE(child<QLineEdit>(window, "编辑框采集页数")->text(), QStringLiteral("全部"));
    QVERIFY(messages_.empty());
}

void ProgramTest::emptiedValuesComeBackAsStored() {
    {
        auto program = start();
        MainWindow& window = program->window();
        child<QPlainTextEdit>(window, "编辑框列表")->clear();
        child<QLineEdit>(window, "编辑框评论最多字数")->clear();
        child<QLineEdit>(window, "编辑框采集页数")->setText(QStringLiteral("3"));
        window.close();
    }
    QCOMPARE(readFile(listFile()), std::string());
    auto program = start();
    MainWindow& window = program->window();
    // An empty side file gives the sample list back; an empty text value stays empty.
    QCOMPARE(child<QPlainTextEdit>(window, "编辑框列表")->toPlainText(),
             MainWindow::SampleAddressList());
    QCOMPARE(child<QLineEdit>(window, "编辑框评论最多字数")->text(), QString());
    QCOMPARE(child<QLineEdit>(window, "编辑框采集页数")->text(), QStringLiteral("3"));
}

void ProgramTest::saveControlsSaveAndSaySo() {
    auto program = start();
    MainWindow& window = program->window();
    child<QLineEdit>(window, "编辑框页延时秒")->setText(QStringLiteral("1.5"));
    QTest::mouseClick(child<QWidget>(window, "图片保存配置"), Qt::LeftButton);
    QVERIFY(readFile(settingsFile()).find(local("页延时秒=1.5")) != std::string::npos);
    QCOMPARE(messages_.size(), std::size_t{1});
    QCOMPARE(messages_[0].text, QStringLiteral("保存完毕！"));
    QCOMPARE(messages_[0].title, QStringLiteral("Brenvik："));
    QCOMPARE(messages_[0].flags, message::kIconInformation + message::kSystemModal);

    child<QLineEdit>(window, "编辑框页延时秒")->setText(QStringLiteral("2"));
    QTest::mousePress(child<QWidget>(window, "链接保存配置"), Qt::LeftButton);
    QVERIFY(readFile(settingsFile()).find(local("页延时秒=2\r\n")) != std::string::npos);
    QCOMPARE(messages_.size(), std::size_t{2});
}

void ProgramTest::closingDuringARunAsksItToStop() {
    auto program = start();
    MainWindow& window = program->window();
    // What a running collection shows on its button.
    child<QPushButton>(window, "按钮开始采集")->setText(QStringLiteral("停止采集"));
    child<QLineEdit>(window, "编辑框几条保存")->setText(QStringLiteral("5"));
    window.close();
    QVERIFY(program->runContext().stopRequested);
    QCOMPARE(child<QPushButton>(window, "按钮开始采集")->text(), QStringLiteral("正在停止.."));
    QVERIFY(readFile(settingsFile()).find(local("几条保存=5")) != std::string::npos);
}

QTEST_MAIN(ProgramTest)
#include "program_test.moc"
