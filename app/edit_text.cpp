#include "app/edit_text.h"

#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>

namespace tidewell::app {

QString documentText(const QTextDocument& document) {
    QString text = document.toRawText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    text.replace(QChar::LineSeparator, u'\n');
    return text;
}

QString editText(const QPlainTextEdit& edit) {
    return documentText(*edit.document());
}

void replaceEditText(QPlainTextEdit& edit, const QString& text) {
    QTextCursor cursor(edit.document());
    cursor.select(QTextCursor::Document);
    cursor.insertText(text);
    edit.setTextCursor(cursor);
}

}  // namespace tidewell::app
