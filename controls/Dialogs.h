// The modal boxes of the windows, behind a seam so that window tests can answer them.
#pragma once

#include <QString>
#include <exception>
#include <utility>

class QWidget;

namespace pace {

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A modal message box owned by the window: text, caption, an OK button, no icon.
    // Returns when the user has closed it, whichever way.
    virtual void Message(const QString& text, const QString& caption) = 0;
    // The standard error box: the message made by StandardErrorText, an error icon, the
    // application title as caption, an OK button.
    virtual void StandardError(const QString& message) = 0;
};

// The message with a full stop appended, unless its last character has a code of 46 ('.')
// or lower.
[[nodiscard]] QString StandardErrorText(const QString& message);

// The real boxes (QMessageBox).
class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QString applicationTitle) : Title_(std::move(applicationTitle)) {}
    void SetOwner(QWidget* owner) { Owner_ = owner; }
    void Message(const QString& text, const QString& caption) override;
    void StandardError(const QString& message) override;

private:
    QString Title_;
    QWidget* Owner_ = nullptr;
};

// Runs an operation; an error it raises ends it and is shown in the standard error box.
template <class Operation>
void Guarded(Dialogs& dialogs, Operation&& operation) {
    try {
        std::forward<Operation>(operation)();
    } catch (const std::exception& e) {
        dialogs.StandardError(QString::fromUtf8(e.what()));
    }
}

}  // namespace pace
