// Renders the program's icon into PNG files for the desktop's icon theme:
//   tidewell-render-icon OUTPUT_DIR SIZE...
// writes OUTPUT_DIR/SIZExSIZE/tidewell.png for each size.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QString>
#include <cstdio>

#include "app/pictures.h"

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR SIZE...\n", argv[0]);
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i) {
        const int size = QString::fromLatin1(argv[i]).toInt();
        if (size < 8) {
            std::fprintf(stderr, "bad size %s\n", argv[i]);
            return 2;
        }
        const QString folder = QStringLiteral("%1/%2x%2").arg(output).arg(size);
        if (!QDir().mkpath(folder) ||
            !tidewell::app::PaintAppIcon(size).save(folder + QStringLiteral("/tidewell.png"))) {
            std::fprintf(stderr, "cannot write the %d pixel icon\n", size);
            return 1;
        }
    }
    return 0;
}
