// The window and the search for the transceiver: link-up, loss, the re-scan and the grid,
// and a tick that opened an error box.
#include <gtest/gtest.h>

#include "WindowFixture.h"

namespace pace::testing {
namespace {

using LinkTest = SetupWindowTest;

TEST_F(LinkTest, TheAnsweringPortEnablesTheThreeSendButtonsAndStopsTheSearch) {
    Tick();
    EXPECT_EQ(Form->CName->text(), "ttyS0");
    Tick();
    EXPECT_EQ(Form->CName->text(), "ttyUSB0");
    EXPECT_FALSE(Form->SetId->isEnabled());
    Port.Receive(ByteString("IWRX\r"));
    EXPECT_FALSE(Form->SetId->isEnabled());  // not before the next tick
    Tick();
    EXPECT_TRUE(Form->SendDriver->isEnabled());
    EXPECT_TRUE(Form->SetId->isEnabled());
    EXPECT_TRUE(Form->SendCurve->isEnabled());
    EXPECT_FALSE(Timer.IsOn());
    EXPECT_EQ(Form->CName->text(), "ttyUSB0");
    EXPECT_EQ(Port.WrittenTo("ttyUSB0"), Bytes({'N', 'Z', 'S', 0, 'E', 0, 'P', 0x08}));
    EXPECT_TRUE(Dialogs.Boxes.empty());
}

TEST_F(LinkTest, WithNoPortAtAllTheButtonsNeverComeOn) {
    Ports.SetPorts({});
    Remake();
    for (int i = 0; i < 20; ++i) Tick();
    EXPECT_EQ(Form->CName->text(), "");
    EXPECT_FALSE(Form->SetId->isEnabled());
    EXPECT_FALSE(Form->SendCurve->isEnabled());
    EXPECT_TRUE(Port.Log.empty());
    EXPECT_TRUE(Dialogs.Boxes.empty());
}

// A transceiver pulled out after the link-up: the send buttons go off again, the search
// starts over without a message, and a transceiver plugged in again is found.
TEST_F(LinkTest, ALostTransceiverDisablesTheSendButtonsAndIsSearchedForAgain) {
    LinkUp();
    const int readsBefore = Ports.Reads;
    // Plugged in again later, under another name.
    Ports.SetPorts({"ttyACM0"});
    Port.Lose();
    EXPECT_FALSE(Form->SendDriver->isEnabled());
    EXPECT_FALSE(Form->SetId->isEnabled());
    EXPECT_FALSE(Form->SendCurve->isEnabled());
    EXPECT_TRUE(Timer.IsOn());
    EXPECT_EQ(Ports.Reads, readsBefore + 1);
    EXPECT_FALSE(Form->Link().Linked());
    EXPECT_TRUE(Dialogs.Boxes.empty());

    Tick();
    EXPECT_EQ(Form->CName->text(), "ttyACM0");
    Port.Receive(ByteString("IWRX\r"));
    Tick();
    EXPECT_TRUE(Form->SetId->isEnabled());
    EXPECT_TRUE(Form->Link().Linked());
}

// With no serial port every tick re-scans; the grid keeps the cell the user is in.
TEST_F(LinkTest, AReScanLeavesTheCurrentCellWhileTheGridHasTheFocus) {
    Ports.SetPorts({});
    Remake();
    ShowActive();
    Activate();
    Form->Curve->setFocus(Qt::MouseFocusReason);
    Form->Curve->setCurrentCell(0, 4);
    ASSERT_TRUE(Form->Curve->HasFocusWithin());
    QLineEdit* editor = Form->Curve->Editor();
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, "4");
    for (int i = 0; i < 5; ++i) Tick();
    EXPECT_EQ(Form->Curve->currentColumn(), 4);
    EXPECT_EQ(Form->Curve->Editor(), editor);
    QTest::keyClicks(editor, "2");
    EXPECT_EQ(Form->Curve->CellText(4), "42");

    // Once the focus is elsewhere the re-scan takes the highlight away again.
    Form->Shape->setFocus(Qt::MouseFocusReason);
    Tick();
    EXPECT_FALSE(Form->Curve->currentIndex().isValid());
    EXPECT_TRUE(Form->Curve->selectedItems().isEmpty());
}

TEST(LinkErrors, ATickDoesNotRunAgainWhileTheErrorBoxItOpenedIsShowing) {
    FakeSerialPort port;
    FakePortList ports;
    ports.SetPorts({"ttyUSB0"});
    FakeTickTimer timer;
    FakeClock clock;
    RecordingDialogs dialogs;
    TSetupMain::TForm1 form(port, ports, timer, clock.AsFunction(), dialogs);
    timer.Tick();
    port.Receive(ByteString("IWRX\r"));
    port.FailWrite = true;
    // A real error box runs the event loop, and with it the probe timer, while it is open.
    dialogs.OnError = [&](const QString&) {
        for (int i = 0; i < 3; ++i) timer.Tick();
    };
    timer.Tick();
    // One box for the failed link-up command; the ticks while it was open did nothing.
    ASSERT_EQ(dialogs.Boxes.size(), 1u);
    EXPECT_EQ(dialogs.Boxes[0].Text, "write failed.");
    EXPECT_FALSE(form.SetId->isEnabled());
    EXPECT_TRUE(timer.IsOn());
    // The next tick tries the link-up command again.
    port.FailWrite = false;
    dialogs.OnError = nullptr;
    timer.Tick();
    EXPECT_TRUE(form.SetId->isEnabled());
    EXPECT_EQ(port.Writes.back().Bytes, LinkUpCommand(SetupLinkUpLastByte));
}

}  // namespace
}  // namespace pace::testing
