#include "Dialogs.h"

#include <QMessageBox>

namespace pace {

// An empty message stays empty: it has no last character that asks for a full stop.
QString StandardErrorText(const QString& message) {
    if (message.isEmpty() || message.back().unicode() <= u'.') return message;
    return message + QLatin1Char('.');
}

namespace {

// A modal box owned by `owner` with one OK button; returns when it is closed. The text is
// shown as plain text (never read as markup) and the caption as it is given: nothing here adds
// the application's name to it.
void ShowBox(QWidget* owner, QMessageBox::Icon icon, const QString& caption, const QString& text) {
    QMessageBox box(icon, caption, text, QMessageBox::Ok, owner);
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

}  // namespace

void QtDialogs::Message(const QString& text, const QString& caption) {
    ShowBox(Owner_, QMessageBox::NoIcon, caption, text);
}

void QtDialogs::StandardError(const QString& message) {
    ShowBox(Owner_, QMessageBox::Critical, Title_, StandardErrorText(message));
}

}  // namespace pace
