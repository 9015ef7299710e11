// Takes the screenshots of the desktop program that scripts/screenshot asks for:
//   tidewell-screenshots OUTPUT_DIR
// Runs the real program on a temporary program folder against tidewell-fakeportal, and captures
// the X screen (ImageMagick's import) or, without it, the window itself:
//   main-window.png       the window as it first opens
//   preview-dialog.png    the text dialog of a preview (right press on 开始采集)
//   main-after-preview.png the window after the preview, the page in the display box
//   explanation.png       the explanation text (图片疑点说明)
//   input-dialog.png      the text dialog asking for a text, with a long prompt and the tool row
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "app/local_text.h"
#include "app/main_window.h"
#include "app/pictures.h"
#include "app/startup.h"
#include "app/text_dialog.h"
#include "tidewell_config.h"
#include "tools/fakeportal_process.h"

namespace {

void settle(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
}

bool capture(QWidget& window, const QString& path) {
    window.raise();
    window.activateWindow();
    settle(400);
    if (!QStandardPaths::findExecutable(QStringLiteral("import")).isEmpty() &&
        QProcess::execute(QStringLiteral("import"),
                          {QStringLiteral("-window"), QStringLiteral("root"), path}) == 0) {
        return true;
    }
    return window.grab().save(path);
}

void press(QWidget* widget, Qt::MouseButton button) {
    const QPointF centre = QRectF(widget->rect()).center();
    QMouseEvent down(QEvent::MouseButtonPress, centre, widget->mapToGlobal(centre), button, button,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &down);
    QMouseEvent up(QEvent::MouseButtonRelease, centre, widget->mapToGlobal(centre), button,
                   Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &up);
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    const QString output = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(output);
    QApplication::setWindowIcon(QIcon(QPixmap::fromImage(tidewell::app::PaintAppIcon(64))));

    tidewell::tools::FakePortalProcess portal;
    qputenv("http_proxy", QByteArray::fromStdString(portal.proxyUrl()));
    qunsetenv("no_proxy");

    QTemporaryDir folder;
    tidewell::app::Program program(tidewell::app::toLocal(folder.path()));
    tidewell::app::MainWindow& window = program.window();
    window.show();
    bool ok = capture(window, output + QStringLiteral("/main-window.png"));

    const QString news = QStringLiteral("http://" TIDEWELL_NEWS_HOST);
    window.findChild<QPlainTextEdit*>(QStringLiteral("编辑框列表"))
        ->setPlainText(news + QStringLiteral("/gn/seven-comments.html\n") + news +
                       QStringLiteral("/comment/skin/default.html?channel=gj&newsid=slash-title"));
    window.findChild<QLineEdit*>(QStringLiteral("编辑框保存目录"))
        ->setText(folder.path() + QStringLiteral("/输出"));
    program.dialogs().setShownHook([&](tidewell::app::TextDialogWindow& dialog) {
        ok = capture(dialog, output + QStringLiteral("/preview-dialog.png")) && ok;
        dialog.close();
    });
    press(window.startButton(), Qt::RightButton);
    ok = capture(window, output + QStringLiteral("/main-after-preview.png")) && ok;

    program.dialogs().setShownHook([&](tidewell::app::TextDialogWindow& dialog) {
        ok = capture(dialog, output + QStringLiteral("/explanation.png")) && ok;
        dialog.close();
    });
    press(window.findChild<QWidget*>(QStringLiteral("图片疑点说明")), Qt::LeftButton);

    // The dialog in input mode, with a prompt of three lines and its whole tool row.
    program.dialogs().setShownHook([&](tidewell::app::TextDialogWindow& dialog) {
        ok = capture(dialog, output + QStringLiteral("/input-dialog.png")) && ok;
        dialog.close();
    });
    tidewell::app::TextDialogOptions input;
    input.prompt = QStringLiteral(
        "请把要采集的新闻地址或评论地址逐行粘贴到下面的文本框中，每行一个地址，"
        "空行会被跳过；也可以用下方的“内容”按钮导入文本文件里的地址，"
        "或者用“文件名”按钮导入文件的路径。确认无误后按“确定”。");
    input.title = QStringLiteral("输入地址列表");
    input.importButtons = 3;
    QString result;
    program.dialogs().TextDialog(news + QStringLiteral("/gn/seven-comments.html"), input, &result);

    // Leave the settings file of the temporary folder alone: the window is not closed.
    window.hide();
    std::printf("%s\n", ok ? "screenshots written" : "some screenshots failed");
    return ok ? 0 : 1;
}
