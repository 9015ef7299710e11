#pragma once

#include <QString>

class QPlainTextEdit;
class QTextDocument;

// The text of a multi-line box exactly as it stands: QTextDocument::toPlainText() would turn
// no-break spaces into plain ones, which would change comment text on its way through a box.
namespace tidewell::app {

QString documentText(const QTextDocument& document);
QString editText(const QPlainTextEdit& edit);

// Replaces the whole text as one undoable edit, as typing over a selection would.
void replaceEditText(QPlainTextEdit& edit, const QString& text);

}  // namespace tidewell::app
