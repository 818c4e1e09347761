// Pictures of the main window and its dialogs as a user sees them, written to the build
// folder's screenshots/ for a look.
#include "MainWindowFixture.h"
#include "link/Encoding.h"
#include "support/Pty.h"
#include "support/Screenshot.h"

namespace ql50::test {
namespace {

std::vector<std::uint8_t> PhModule(const Frame& req) {
    const std::uint8_t reg = req[kPosRegister];
    if (req[kPosOp] == kReadParam && reg == 28) return ReplyTo(req, EncodeUint8(1));
    if (req[kPosOp] == kReadParam) return ReplyTo(req, EncodeFloat24(reg == 32 ? -3.5f : 58.2f));
    const float live[6] = {7.02f, -12.f, 0, 0, 0, 21.4f};
    if (req[kPosOp] == kReadValue && reg >= 1 && reg <= 6)
        return ReplyTo(req, EncodeFloat32(live[reg - 1]));
    return {};
}

TEST_F(MainWindowTest, Screenshots) {
    PtyPeer peer(PhModule);
    Open(peer.path());
    EXPECT_TRUE(Screenshot(window.get(), "main-german-idle"));

    robot.OnDialog("Setup")
        .Inspect([](QWidget* w) { EXPECT_TRUE(Screenshot(w, "setup-dialog")); })
        .Check(1006)
        .Click(1);
    Click(kIdSetup);
    ASSERT_TRUE(robot.WaitIdle());
    EXPECT_TRUE(Screenshot(window.get(), "main-english-idle"));
    robot.OnDialog("Setup")
        .Inspect([](QWidget* w) { EXPECT_TRUE(Screenshot(w, "setup-dialog-english")); })
        .Cancel();
    Click(kIdSetup);
    ASSERT_TRUE(robot.WaitIdle());

    robot.OnDialog(QString::fromUtf8("Info über QL50"))
        .Inspect([](QWidget* w) { EXPECT_TRUE(Screenshot(w, "about-box")); })
        .Click(1);
    window->ShowAbout();
    ASSERT_TRUE(robot.WaitIdle());

    robot.OnFileDialog().SaveAs(QString::fromStdString(File("messung.txt")));
    robot.OnDialog("Aufzeichnungintervall")
        .Inspect([](QWidget* w) { EXPECT_TRUE(Screenshot(w, "interval-dialog")); })
        .Click(1);
    Click(kIdSetupMessung);
    ASSERT_TRUE(robot.WaitIdle());

    Click(kIdMessung);
    ASSERT_TRUE(WaitUntil([&] { return Text(kIdValue1) == "7.02"; }));
    EXPECT_TRUE(Screenshot(window.get(), "main-english-measuring"));
    Click(kIdMessung);
}

}  // namespace
}  // namespace ql50::test
