#include "app/shell.h"

#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace tidewell::app;

class ShellTest : public QObject {
    Q_OBJECT

  private slots:
    void messageDefaults_data();
    void messageDefaults();
    void realMessageBoxShowsTheAskedButtonsAndIcon();
    void folderChooserOptions();
    void folderChooserStartsAtAnExistingFolder();
    void fileManagerPlans_data();
    void fileManagerPlans();
    void fileManagerLaunchesWhatItPlanned();
    void qtFileFilter();
    void openWithShellGoesThroughItsHook();
    void clipboardText();
};

void ShellTest::messageDefaults_data() {
    QTest::addColumn<int>("flags");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("wantFlags");
    QTest::addColumn<QString>("wantTitle");
    QTest::newRow("nothing given") << 0 << QString() << 4160 << QStringLiteral("Brenvik：");
    QTest::newRow("yes and no") << 4 << QString() << 4164 << QStringLiteral("Brenvik：");
    QTest::newRow("exclamation") << 48 << QStringLiteral("T") << 4144 << QStringLiteral("T");
    QTest::newRow("stop") << 16 << QString() << 4112 << QStringLiteral("Brenvik：");
    QTest::newRow("question, yes no cancel")
        << 35 << QString() << 4131 << QStringLiteral("Brenvik：");
    QTest::newRow("information") << 64 << QString() << 4160 << QStringLiteral("Brenvik：");
    QTest::newRow("already system-modal")
        << 4096 << QString() << 4160 << QStringLiteral("Brenvik：");
}

void ShellTest::messageDefaults() {
    QFETCH(int, flags);
    QFETCH(QString, title);
    QFETCH(int, wantFlags);
    QFETCH(QString, wantTitle);

    Shell shell;
    MessageRequest seen;
    shell.setMessageHook([&](const MessageRequest& request) {
        seen = request;
        return message::kIdNo;
    });
    QCOMPARE(shell.messageBox(QStringLiteral("正文"), flags, title), message::kIdNo);
    QCOMPARE(seen.text, QStringLiteral("正文"));
    QCOMPARE(seen.flags, wantFlags);
    QCOMPARE(seen.title, wantTitle);
}

// The real box, worked from a timer while its modal loop runs.
void ShellTest::realMessageBoxShowsTheAskedButtonsAndIcon() {
    Shell shell;
    QStringList buttonTexts;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box != nullptr);
        title = box->windowTitle();
        icon = box->icon();
        for (QAbstractButton* button : box->buttons()) {
            buttonTexts << QString::number(box->standardButton(button));
        }
        box->button(QMessageBox::No)->click();
    });
    QCOMPARE(shell.messageBox(QStringLiteral("继续吗？"), message::kYesNo), message::kIdNo);
    QCOMPARE(title, QStringLiteral("Brenvik："));
    QCOMPARE(icon, QMessageBox::Information);
    buttonTexts.sort();
    QStringList want = {QString::number(QMessageBox::Yes), QString::number(QMessageBox::No)};
    want.sort();
    QCOMPARE(buttonTexts, want);

    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box != nullptr);
        icon = box->icon();
        box->button(QMessageBox::Ok)->click();
    });
    QCOMPARE(shell.messageBox(QStringLiteral("小心"), message::kIconExclamation), message::kIdOk);
    QCOMPARE(icon, QMessageBox::Warning);
}

void ShellTest::folderChooserOptions() {
    QCOMPARE(FolderChooserOptions(false, true, true), 80);
    QCOMPARE(FolderChooserOptions(true, true, true), 16464);
    QCOMPARE(FolderChooserOptions(false, false, false), 0);
    QCOMPARE(FolderChooserOptions(true, false, true), 16448);
}

void ShellTest::folderChooserStartsAtAnExistingFolder() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    Shell shell;
    FolderRequest seen;
    QString answer = QStringLiteral("/chosen");
    shell.setFolderHook([&](const FolderRequest& request) {
        seen = request;
        return answer;
    });

    QCOMPARE(shell.chooseFolder(dir.path()), QStringLiteral("/chosen"));
    QCOMPARE(seen.initialFolder, dir.path());
    QCOMPARE(seen.title, QStringLiteral("请选择一个文件夹"));
    QCOMPARE(seen.options, 80);

    // A folder that does not exist leaves the chooser where it likes; a title given empty
    // stays empty; a cancelled chooser gives the empty text.
    answer.clear();
    QCOMPARE(shell.chooseFolder(dir.path() + QStringLiteral("/missing"), QString()), QString());
    QCOMPARE(seen.initialFolder, QString());
    QCOMPARE(seen.title, QString());
    QCOMPARE(shell.chooseFolder(QStringLiteral("不填则当前程序目录")), QString());
    QCOMPARE(seen.initialFolder, QString());
}

void ShellTest::fileManagerPlans_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("newWindow");
    QTest::addColumn<bool>("asFolder");
    QTest::addColumn<bool>("asRoot");
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<bool>("startsProgram");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("argument");

    const QString xdg = QStringLiteral("xdg-open");
    // The main window's call: new window, as folder.
    QTest::newRow("main window") << "/out" << true << true << false << "explorer /n,\"/out\""
                                 << false << xdg << "/out";
    QTest::newRow("program, capital letters")
        << "/opt/tool/SETUP.EXE" << true << true << false << "/opt/tool/SETUP.EXE" << true
        << "/opt/tool/SETUP.EXE" << QString();
    QTest::newRow("as root") << "/a/b" << false << false << true << "explorer /e,/root,\"/a\""
                             << false << xdg << "/a";
    QTest::newRow("as root at the top")
        << "/a" << false << false << true << "explorer /e,/root,\"/\"" << false << xdg << "/";
    QTest::newRow("select opens the holding folder")
        << "/data/out/file.txt" << false << false << false
        << "explorer /e,/select,\"/data/out/file.txt\"" << false << xdg << "/data/out";
    QTest::newRow("a program is only started as a folder")
        << "/bin/tool.exe" << false << false << false << "explorer /e,/select,\"/bin/tool.exe\""
        << false << xdg << "/bin";
    QTest::newRow("Chinese folder")
        << "/家/保存目录" << true << true << false << "explorer /n,\"/家/保存目录\"" << false << xdg
        << "/家/保存目录";
}

void ShellTest::fileManagerPlans() {
    QFETCH(QString, path);
    QFETCH(bool, newWindow);
    QFETCH(bool, asFolder);
    QFETCH(bool, asRoot);
    QFETCH(QString, commandLine);
    QFETCH(bool, startsProgram);
    QFETCH(QString, program);
    QFETCH(QString, argument);

    const FileManagerPlan plan = PlanFileManager(path, newWindow, asFolder, asRoot);
    QCOMPARE(plan.commandLine, commandLine);
    QCOMPARE(plan.startsProgram, startsProgram);
    QCOMPARE(plan.launch.program, program);
    QCOMPARE(plan.launch.arguments, argument.isNull() ? QStringList() : QStringList{argument});
}

void ShellTest::fileManagerLaunchesWhatItPlanned() {
    Shell shell;
    LaunchRequest seen;
    bool started = true;
    shell.setLaunchHook([&](const LaunchRequest& request) {
        seen = request;
        return started;
    });
    QVERIFY(shell.openInFileManager(QStringLiteral("/srv/保存目录"), true, true));
    QCOMPARE(seen.program, QStringLiteral("xdg-open"));
    QCOMPARE(seen.arguments, QStringList{QStringLiteral("/srv/保存目录")});
    QCOMPARE(seen.wait, false);
    QCOMPARE(seen.windowState, 2);

    started = false;
    QVERIFY(!shell.openInFileManager(QStringLiteral("/srv/x"), false, true, false, true, 4));
    QCOMPARE(seen.wait, true);
    QCOMPARE(seen.windowState, 4);
}

void ShellTest::qtFileFilter() {
    QCOMPARE(QtFileFilter(QStringLiteral("文本文本|*.txt;*.text;*.ini;*.htn;*.html|全部文件|*.*")),
             QStringLiteral("文本文本 (*.txt *.text *.ini *.htn *.html);;全部文件 (*)"));
    QCOMPARE(QtFileFilter(QStringLiteral("任意")), QStringLiteral("任意 (*)"));
}

void ShellTest::openWithShellGoesThroughItsHook() {
    Shell shell;
    QStringList opened;
    shell.setOpenHook([&](const QString& target) { opened << target; });
    shell.openWithShell(QStringLiteral("https://brenvik.example/"));
    QCOMPARE(opened, QStringList{QStringLiteral("https://brenvik.example/")});
}

void ShellTest::clipboardText() {
    Shell shell;
    QGuiApplication::clipboard()->setText(QStringLiteral("剪贴板\n第二行"));
    QCOMPARE(shell.clipboardText(), QStringLiteral("剪贴板\n第二行"));
    QGuiApplication::clipboard()->clear();
    QCOMPARE(shell.clipboardText(), QString());
}

QTEST_MAIN(ShellTest)
#include "shell_test.moc"
