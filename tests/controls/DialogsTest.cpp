// The standard error text, the error guard, and the real message boxes answered offscreen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <stdexcept>
#include <string>
#include <vector>

#include "Dialogs.h"

namespace pace {
namespace {

struct ErrorTextCase {
    const char* Name;
    QString Message;
    QString Expected;
};

void PrintTo(const ErrorTextCase& c, std::ostream* os) { *os << c.Name; }

class StandardErrorTextTable : public ::testing::TestWithParam<ErrorTextCase> {};

TEST_P(StandardErrorTextTable, AppendsAFullStopAboveCode46) {
    EXPECT_EQ(StandardErrorText(GetParam().Message), GetParam().Expected);
}

const ErrorTextCase kErrorTextCases[] = {
    {"letter", "Floating point overflow", "Floating point overflow."},
    {"full_stop_46", "Done.", "Done."},
    {"comma_44", "a,", "a,"},
    {"minus_45", "a-", "a-"},
    {"slash_47", "a/", "a/."},
    {"digit", "Error 5", "Error 5."},
    {"question_mark_63", "Really?", "Really?."},
    {"exclamation_33", "Stop!", "Stop!"},
    {"closing_parenthesis_41", "(1)", "(1)"},
    {"percent_37", "100%", "100%"},
    {"space_32", "x ", "x "},
    {"newline", "line\n", "line\n"},
    {"not_ascii", QStringLiteral("Gr\u00f6\u00dfe"), QStringLiteral("Gr\u00f6\u00dfe.")},
    {"empty_stays_empty", "", ""},
};

INSTANTIATE_TEST_SUITE_P(Cases, StandardErrorTextTable, ::testing::ValuesIn(kErrorTextCases),
                         [](const auto& info) { return std::string(info.param.Name); });

// Records the error boxes instead of showing them.
class ErrorRecorder : public Dialogs {
public:
    void Message(const QString&, const QString&) override {}
    void StandardError(const QString& message) override {
        Errors.push_back(StandardErrorText(message));
    }
    std::vector<QString> Errors;
};

TEST(Guarded, ErrorEndsTheOperationAndShowsItsMessage) {
    ErrorRecorder dialogs;
    bool after = false;
    Guarded(dialogs, [&] {
        throw std::runtime_error("Floating point overflow");
        after = true;
    });
    EXPECT_FALSE(after);
    ASSERT_EQ(dialogs.Errors.size(), 1u);
    EXPECT_EQ(dialogs.Errors[0], "Floating point overflow.");

    Guarded(dialogs, [&] { after = true; });
    EXPECT_TRUE(after);
    EXPECT_EQ(dialogs.Errors.size(), 1u);
}

// What a real box looked like while it was open.
struct SeenBox {
    bool Found = false;
    QString Caption;
    QString Text;
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons Buttons;
    QWidget* Parent = nullptr;
    Qt::WindowModality Modality = Qt::NonModal;
    Qt::TextFormat Format = Qt::AutoText;
};

// Runs `show`, which opens a modal box, and answers the box from the event loop it runs:
// records it, then closes it with `close`. A box that is never seen fails the test.
template <class Show, class Close>
SeenBox AnswerBox(Show show, Close close) {
    SeenBox seen;
    QTimer poll;
    poll.setInterval(0);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible()) return;
        poll.stop();
        seen.Found = true;
        seen.Caption = box->windowTitle();
        seen.Text = box->text();
        seen.Icon = box->icon();
        seen.Buttons = box->standardButtons();
        seen.Parent = box->parentWidget();
        seen.Modality = box->windowModality();
        seen.Format = box->textFormat();
        close(*box);
    });
    // Guard against a box that the poll cannot find, which would otherwise wait forever.
    QTimer guard;
    guard.setSingleShot(true);
    guard.setInterval(10000);
    QObject::connect(&guard, &QTimer::timeout, [] {
        if (QWidget* w = QApplication::activeModalWidget()) w->close();
    });
    poll.start();
    guard.start();
    show();
    return seen;
}

void ClickOk(QMessageBox& box) { box.button(QMessageBox::Ok)->click(); }

TEST(QtDialogs, MessageIsAModalBoxWithoutIconOwnedByTheWindow) {
    QWidget owner;
    QtDialogs dialogs("Throttle Setup");
    dialogs.SetOwner(&owner);
    const SeenBox seen =
        AnswerBox([&] { dialogs.Message("Select <b>Configure</b>", "Setup Throttle"); }, ClickOk);
    ASSERT_TRUE(seen.Found);
    EXPECT_EQ(seen.Caption, "Setup Throttle");
    EXPECT_EQ(seen.Text, "Select <b>Configure</b>");
    EXPECT_EQ(seen.Format, Qt::PlainText);
    EXPECT_EQ(seen.Icon, QMessageBox::NoIcon);
    EXPECT_EQ(seen.Buttons, QMessageBox::Ok);
    EXPECT_EQ(seen.Parent, &owner);
    EXPECT_EQ(seen.Modality, Qt::ApplicationModal);
}

TEST(QtDialogs, MessageReturnsWhenTheBoxIsClosedOtherwise) {
    QtDialogs dialogs("Title");
    const SeenBox seen = AnswerBox([&] { dialogs.Message("Text", "Caption"); },
                                   [](QMessageBox& box) { box.close(); });
    EXPECT_TRUE(seen.Found);
    EXPECT_EQ(seen.Parent, nullptr);
}

TEST(QtDialogs, StandardErrorShowsTheTitleAnErrorIconAndTheFullStop) {
    QWidget owner;
    QtDialogs dialogs("Throttle Setup");
    dialogs.SetOwner(&owner);
    const SeenBox seen =
        AnswerBox([&] { dialogs.StandardError("Floating point overflow"); }, ClickOk);
    ASSERT_TRUE(seen.Found);
    EXPECT_EQ(seen.Caption, "Throttle Setup");
    EXPECT_EQ(seen.Text, "Floating point overflow.");
    EXPECT_EQ(seen.Icon, QMessageBox::Critical);
    EXPECT_EQ(seen.Buttons, QMessageBox::Ok);
    EXPECT_EQ(seen.Parent, &owner);
}

}  // namespace
}  // namespace pace
