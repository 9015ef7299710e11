#include "app/window_font.h"

#include <QStringList>

namespace tidewell::app {

QFont WindowFont(const QFont& base) {
    QFont font = base;
    font.setPixelSize(12);
    QStringList families = {QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Noto Sans SC"),
                            QStringLiteral("Source Han Sans SC"),
                            QStringLiteral("WenQuanYi Micro Hei")};
    families << base.families();
    font.setFamilies(families);
    return font;
}

}  // namespace tidewell::app
