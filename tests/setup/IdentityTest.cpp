// Car ID with PIN, and the driver name, on the in-memory port: the bytes sent, the range
// errors before the prompt, the car byte of typed text, and what happens when the transceiver
// is gone or does not take the frame.
#include <gtest/gtest.h>

#include "WindowFixture.h"

namespace pace::testing {
namespace {

class IdentityTest : public SetupWindowTest {
protected:
    void SetUp() override {
        SetupWindowTest::SetUp();
        LinkUp();
    }
};

const QString PinRange = QString::fromLatin1(TSetupMain::PinRangeText);

struct PinCase {
    const char* Typed;
    const char* Shown;  // the PIN box after the click
    bool Sent;
    int Low, High;  // the two PIN bytes, when sent
};

void PrintTo(const PinCase& c, std::ostream* os) { *os << '"' << c.Typed << '"'; }

class PinTable : public IdentityTest, public ::testing::WithParamInterface<PinCase> {};

TEST_P(PinTable, SendsThePinAsDigitPairsOrRefusesItBeforeThePrompt) {
    const PinCase& c = GetParam();
    Form->PIN->setText(QString::fromLatin1(c.Typed));
    Form->SetIdClick();
    EXPECT_EQ(Form->PIN->text(), c.Shown);
    if (c.Sent) {
        ASSERT_EQ(BoxTexts(), std::vector<QString>{ConfigurePrompt});
        EXPECT_EQ(Dialogs.Boxes[0].Caption, "Setup Throttle");
        const ByteString payload = Bytes({'T', 'I', c.Low, c.High, 1, 0});
        EXPECT_EQ(Form->IdCommand, payload);
        EXPECT_EQ(Frames(), std::vector<ByteString>{DataFrame(payload)});
    } else {
        ASSERT_EQ(BoxTexts(), std::vector<QString>{PinRange});
        EXPECT_EQ(Dialogs.Boxes[0].Kind, "message");
        EXPECT_EQ(Dialogs.Boxes[0].Caption, "PIN Range Error");
        EXPECT_TRUE(Frames().empty());
        EXPECT_TRUE(Form->IdCommand.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Pins, PinTable,
    ::testing::Values(PinCase{"0", "0", true, 0, 0}, PinCase{"9999", "9999", true, 99, 99},
                      PinCase{"7149", "7149", true, 49, 71}, PinCase{"1200", "1200", true, 0, 12},
                      PinCase{"305", "305", true, 5, 3},
                      // Rounded by the box first (half away from zero), then sent as shown.
                      PinCase{" 12.5 ", "13", true, 13, 0},
                      // Tested against 0 as typed, though the box then shows 0.
                      PinCase{"-0.4", "0", false, 0, 0},
                      // Not a number: the box falls back to its last value, which is sent.
                      PinCase{"abc", "7149", true, 49, 71}, PinCase{"", "7149", true, 49, 71},
                      // Shown as 10000 by the first read, refused by the second.
                      PinCase{"9999.6", "10000", false, 0, 0},
                      PinCase{"10000", "10000", false, 0, 0}, PinCase{"-1", "-1", false, 0, 0},
                      PinCase{"1e400", "7149", true, 49, 71}));

TEST_F(IdentityTest, ARefusedPinKeepsThePreviousIdCommand) {
    Form->SetIdClick();
    const ByteString sent = Form->IdCommand;
    Form->PIN->setText("12345");
    Form->SetIdClick();
    EXPECT_EQ(Form->IdCommand, sent);
    EXPECT_EQ(Frames().size(), 1u);
}

TEST_F(IdentityTest, TheCarByteComesFromTheChosenOrTypedEntry) {
    struct Case {
        std::function<void()> Choose;
        int Car;
    };
    QComboBox* carId = Form->CarId;
    const std::vector<std::pair<const char*, Case>> cases{
        {"list 24", {[=] { carId->setCurrentIndex(23); }, 24}},
        {"list 1", {[=] { carId->setCurrentIndex(0); }, 1}},
        {"typed 5", {[=] { carId->setEditText("5"); }, 5}},
        {"typed ' 7 '", {[=] { carId->setEditText(" 7 "); }, 7}},
        {"typed 05", {[=] { carId->setEditText("05"); }, 0}},
        {"typed 5.0", {[=] { carId->setEditText("5.0"); }, 0}},
        {"typed 25", {[=] { carId->setEditText("25"); }, 0}},
        {"typed nothing", {[=] { carId->setEditText(""); }, 0}},
    };
    for (const auto& [name, c] : cases) {
        Port.Writes.clear();
        c.Choose();
        Form->SetIdClick();
        ASSERT_EQ(Port.Writes.size(), 1u) << name;
        EXPECT_EQ(Port.Writes[0].Bytes, DataFrame(Bytes({'T', 'I', 49, 71, c.Car, 0}))) << name;
    }
}

TEST_F(IdentityTest, TypingIntoCarIdSendsTheCarOfTheMatchingEntry) {
    ShowActive();
    QLineEdit* edit = Form->CarId->lineEdit();
    edit->selectAll();
    QTest::keyClicks(edit, "5");
    Form->SetIdClick();
    ASSERT_EQ(Frames().size(), 1u);
    EXPECT_EQ(static_cast<int>(Frames()[0][6]), 5);
}

TEST_F(IdentityTest, TheDriverNameGoesOutInTheEightBitCodePage) {
    struct Case {
        QString Name;
        ByteString Frame;
    };
    const ByteString thirty(30, 'x');
    const std::vector<Case> cases{
        // An empty name: 'D', 0x20, 'T', 'O' and 30 bytes 0x00.
        {"", Bytes({'D', 0x20, 'T', 'O'}) + ByteString(30, '\0')},
        {"Valdrena", Bytes({'D', 0x20, 'T', 'O'}) + "Valdrena" + ByteString(22, '\0')},
        {QString(29, 'x'),
         Bytes({'D', 0x20, 'T', 'O'}) + ByteString(29, 'x') + ByteString(1, '\0')},
        {QString(30, 'x'), Bytes({'D', 0x20, 'T', 'O'}) + thirty},
        {QString(31, 'x'), Bytes({'D', 0x20, 'T', 'O'}) + ByteString(31, 'x')},
        {QString::fromUtf8("Jos\xC3\xA9 \xE2\x82\xAC"),
         Bytes({'D', 0x20, 'T', 'O'}) + "Jos\xE9 \x80" + ByteString(24, '\0')},
        {QString::fromUtf8("\xCE\xA9mega"),
         Bytes({'D', 0x20, 'T', 'O'}) + "?mega" + ByteString(25, '\0')},
    };
    for (const auto& c : cases) {
        Port.Writes.clear();
        Dialogs.Boxes.clear();
        Form->OwnerName->setText(c.Name);
        Form->SendDriverClick();
        EXPECT_EQ(BoxTexts(), std::vector<QString>{ConfigurePrompt}) << c.Name.toStdString();
        ASSERT_EQ(Port.Writes.size(), 1u);
        EXPECT_EQ(Port.Writes[0].Bytes, c.Frame) << c.Name.toStdString();
    }
}

TEST_F(IdentityTest, TheFrameIsWrittenOnlyAfterThePromptIsClosed) {
    std::size_t writtenWhilePromptOpen = 99;
    Dialogs.OnMessage = [&](const QString&) { writtenWhilePromptOpen = Frames().size(); };
    Form->SendDriverClick();
    EXPECT_EQ(writtenWhilePromptOpen, 0u);
    EXPECT_EQ(Frames().size(), 1u);
}

using Click = void (TSetupMain::TForm1::*)();

class LostDuringPrompt : public IdentityTest, public ::testing::WithParamInterface<Click> {};

// The transceiver vanishes while the prompt is open, and discovery opens another port
// meanwhile: the frame must not go there.
TEST_P(LostDuringPrompt, WritesNothingAndSaysThatNoTransceiverIsConnected) {
    Activate();
    Port.Writes.clear();
    Dialogs.OnMessage = [&](const QString&) {
        Port.Lose();
        Tick();  // opens ttyS0 and says hello there
    };
    ((*Form).*GetParam())();
    ASSERT_EQ(BoxTexts(), (std::vector<QString>{ConfigurePrompt, "No transceiver connected."}));
    EXPECT_EQ(Dialogs.Boxes[1].Kind, "error");
    EXPECT_TRUE(Port.IsOpen());
    EXPECT_EQ(Port.Device, "ttyS0");
    ASSERT_EQ(Port.Writes.size(), 1u);
    EXPECT_EQ(Port.Writes[0].Bytes, "N");
    EXPECT_FALSE(Form->SetId->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(Sends, LostDuringPrompt,
                         ::testing::Values(&TSetupMain::TForm1::SetIdClick,
                                           &TSetupMain::TForm1::SendDriverClick,
                                           &TSetupMain::TForm1::SendCurveClick));

TEST_F(IdentityTest, AFrameTheTransceiverDidNotTakeInTimeIsReported) {
    Port.WriteTimesOut = true;
    Form->SetIdClick();
    Form->SendDriverClick();
    ASSERT_EQ(BoxTexts(), (std::vector<QString>{
                              ConfigurePrompt, "The transceiver did not take the data in time.",
                              ConfigurePrompt, "The transceiver did not take the data in time."}));
    EXPECT_EQ(Dialogs.Boxes[1].Kind, "error");
    // Nothing else goes wrong: the next send that the transceiver takes is silent.
    Port.WriteTimesOut = false;
    Dialogs.Boxes.clear();
    Form->SetIdClick();
    EXPECT_EQ(BoxTexts(), std::vector<QString>{ConfigurePrompt});
}

TEST_F(IdentityTest, AWriteErrorEndsTheSendInTheErrorBoxAndTheIdCommandIsBuilt) {
    Port.FailWrite = true;
    Form->SetIdClick();
    ASSERT_EQ(BoxTexts(), (std::vector<QString>{ConfigurePrompt, "write failed."}));
    EXPECT_EQ(Form->IdCommand, Bytes({'T', 'I', 49, 71, 1, 0}));
    // The window goes on.
    Port.FailWrite = false;
    Form->SendDriverClick();
    EXPECT_EQ(Frames().size(), 1u);
}

TEST_F(SetupWindowTest, NoSendGoesOutBeforeTheLinkUp) {
    Tick();
    Tick();  // ttyUSB0 is open, but it has not answered
    Form->SetIdClick();
    EXPECT_EQ(BoxTexts(), (std::vector<QString>{ConfigurePrompt, "No transceiver connected."}));
    EXPECT_EQ(Port.WrittenTo("ttyUSB0"), "N");
}

}  // namespace
}  // namespace pace::testing
