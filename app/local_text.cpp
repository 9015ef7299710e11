#include "app/local_text.h"

#include <QByteArray>

#include "platform/encoding.h"

namespace tidewell::app {

QString fromLocal(std::string_view local) {
    const std::string utf8 = platform::utf8FromLocal(local);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string toLocal(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return platform::localFromUtf8(std::string_view(utf8.constData(), utf8.size()));
}

QString fromLocalLines(std::string_view local) {
    QString text = fromLocal(local);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

std::string toLocalLines(const QString& text) {
    QString crlf = text;
    crlf.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    crlf.replace(QChar(u'\n'), QStringLiteral("\r\n"));
    return toLocal(crlf);
}

}  // namespace tidewell::app
