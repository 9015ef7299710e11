#include <QApplication>
#include <QIcon>
#include <QPixmap>

#include "app/pictures.h"
#include "app/startup.h"
#include "platform/program_dir.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tidewell"));
    QApplication::setDesktopFileName(QStringLiteral("tidewell"));
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128}) {
        icon.addPixmap(QPixmap::fromImage(tidewell::app::PaintAppIcon(size)));
    }
    QApplication::setWindowIcon(icon);
    return tidewell::app::RunProgram(application, tidewell::platform::programDirectory());
}
