// The search for the module from the main window, from Setup and from the message that the
// module does not answer: what it assigns to COM 2 is what the window made again uses, without
// --port, at the rate the module answered at, and config.ini keeps its bytes.
#include <QListWidget>
#include <QSettings>

#include "MainWindowFixture.h"
#include "app/CModulSuche.h"
#include "app/CSetupDialog.h"
#include "operations/LiveOps.h"
#include "sim/PtyServer.h"
#include "support/Screenshot.h"
#include "ui/UserSettings.h"

namespace ql50::test {
namespace {

class PortSearchTest : public MainWindowTest, public ::testing::WithParamInterface<int> {
protected:
    ~PortSearchTest() override {
        // The assignments are the user's: they go with the test.
        QSettings(ui::UserSettingsFile(), QSettings::IniFormat).remove(QStringLiteral("Ports"));
    }
};

// The search dialog once its search has ended: the one module found is chosen and assigned.
void AssignFound(Robot::Step& step, const QString& screenshot) {
    step.When([](QWidget* w) { return ui::FindControl(w, ui::kIdOk)->isEnabled(); })
        .Inspect([=](QWidget* w) {
            const auto* list = dynamic_cast<QListWidget*>(ui::FindControl(w, CModulSuche::kIdList));
            ASSERT_EQ(list->count(), 1);
            EXPECT_TRUE(list->item(0)->text().contains(QStringLiteral("9600")));
            EXPECT_TRUE(Screenshot(w, screenshot));
        })
        .Click(ui::kIdOk);
}

TEST_P(PortSearchTest, AssignsADeviceToCom2ForTheNextStart) {
    const int language = GetParam();
    const std::string config =
        "[RS232]\n\rPORT=1\n\rBAUD=4800\n\r[SETUP]\n\rINTERVALL=00:01:00\n\r"
        "SPRACHE=" +
        std::to_string(language) + "\n\rPARAMETRIEREN=0\n\r";
    Spit(File("config.ini"), config);
    // A pH module at address 5 that hears 9600 baud only, where config.ini says 4800.
    sim::VirtualModule module;
    module.SetType(sim::kTypePh);
    module.SetAddress(5);
    module.SetLineRate(9600);
    module.SetStrictRate(9600);
    sim::PtyServer server(module);
    ASSERT_TRUE(server.Start(nullptr));
    const std::string device = Dir() + "/dev/ttyUSB0";
    std::filesystem::create_directories(Dir() + "/dev");
    std::filesystem::create_symlink(server.SlavePath(), device);

    Open();
    window->deviceRoots = {Dir() + "/dev", Dir() + "/sys"};
    if (language == 0) {
        robot.OnDialog("Setup").Click(CSetupDialog::kIdSuchen);
        AssignFound(robot.OnTemplate(161), "search-dialog-de");
        robot.OnDialog("Setup")
            .Inspect([device](QWidget* w) {
                EXPECT_EQ(ui::FindControl(w, CSetupDialog::kIdPortDevice1 + 1)->toolTip(),
                          QString::fromStdString(device + ", 9600 Baud"));
                EXPECT_TRUE(Screenshot(w, "setup-assigned-de"));
            })
            .Click(ui::kIdOk);
        Click(kIdSetup);
        ASSERT_TRUE(robot.WaitIdle());
    } else {
        // COM 2 leads to a line where nothing answers, as with --port 2=...
        sim::VirtualModule silent;
        silent.SetSilent(true);
        sim::PtyServer silentServer(silent);
        ASSERT_TRUE(silentServer.Start(nullptr));
        window->session().MapPort(2, silentServer.SlavePath());
        robot.OnMessage("Error data communication!")
            .Inspect([](QWidget* w) { EXPECT_TRUE(Screenshot(w, "no-answer-offers-search-en")); })
            .Click(3);
        AssignFound(robot.OnTemplate(161), "search-dialog-en");
        Click(kIdLoggerInfo);
        ASSERT_TRUE(robot.WaitIdle());
    }
    Click(kIdExit);

    Open();
    EXPECT_EQ(window->session().DeviceForPort(2), device);
    ASSERT_TRUE(window->EnsurePortOpen());
    EXPECT_EQ(ReadMeasurementType(window->session()), Outcome::Done);
    EXPECT_EQ(window->session().module().moduleType, sim::kTypePh);
    Click(kIdExit);
    EXPECT_EQ(Slurp(File("config.ini")), config);
}

INSTANTIATE_TEST_SUITE_P(FromSetupInGermanAndFromTheMessageInEnglish, PortSearchTest,
                         ::testing::Values(0, 1));

}  // namespace
}  // namespace ql50::test
