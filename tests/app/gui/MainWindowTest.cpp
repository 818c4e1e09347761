// The main window: start-up, language, Setup, exit, live measurement and recording.
#include <unistd.h>

#include <QRegularExpression>
#include <atomic>

#include "MainWindowFixture.h"
#include "app/CSetupDialog.h"
#include "formats/Recording.h"
#include "link/Encoding.h"
#include "sim/PtyServer.h"
#include "support/Pty.h"

namespace ql50::test {
namespace {

const float kLive[6] = {98.5f, 9.12f, 150.f, 210.f, 1013.f, 21.3f};  // registers 1 to 6
const float kCal[4] = {35.2f, 2.f, 3.f, 1.5f};                       // registers 32 to 35

// An oxygen module with fixed values.
std::vector<std::uint8_t> OxygenModule(const Frame& req) {
    const std::uint8_t reg = req[kPosRegister];
    if (req[kPosOp] == kReadParam && reg == 28) return ReplyTo(req, EncodeUint8(8));
    if (req[kPosOp] == kReadParam && reg >= 32 && reg <= 35)
        return ReplyTo(req, EncodeFloat24(kCal[reg - 32]));
    if (req[kPosOp] == kReadValue && reg >= 1 && reg <= 6)
        return ReplyTo(req, EncodeFloat32(kLive[reg - 1]));
    return {};
}

const char* const kDefaultConfig =
    "[RS232]\n\rPORT=0\n\rBAUD=4800\n\r[SETUP]\n\rINTERVALL=00:01:00\n\rSPRACHE=0\n\r"
    "PARAMETRIEREN=0\n\r";

TEST_F(MainWindowTest, FirstStartUsesDefaultsAndWritesThemAtExit) {
    Open();
    EXPECT_EQ(Slurp(File("protokoll.txt")), "");
    EXPECT_EQ(Text(kIdMessung), "Messung starten");
    EXPECT_EQ(Text(kIdLoggerLoeschen), QString::fromUtf8("Datenlogger Löschen"));
    EXPECT_EQ(Text(kIdAddressLabel), QString::fromUtf8("Geräteadresse"));
    EXPECT_EQ(Text(kIdStatus), "kein Fehler");
    EXPECT_EQ(Text(kIdAddress), "0");
    EXPECT_FALSE(Enabled(kIdMessung));
    EXPECT_FALSE(Enabled(kIdParametrieren));
    EXPECT_FALSE(Enabled(kIdAddress));
    EXPECT_FALSE(Enabled(kIdSpinner));
    for (int id : kIdleButtons) EXPECT_TRUE(Enabled(id)) << id;
    Click(kIdExit);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(Slurp(File("config.ini")), kDefaultConfig);
}

TEST_F(MainWindowTest, EnglishFromTheSettingsFileBeforeTheWindowShows) {
    Spit(File("config.ini"), "PORT=2\r\nSPRACHE=1\r\nPARAMETRIEREN=1\r\n");
    Open();
    EXPECT_EQ(Text(kIdMessung), "Start Measurement");
    EXPECT_EQ(Text(kIdExit), "Exit");
    EXPECT_EQ(Text(kIdParametrieren), "Parameter");
    EXPECT_EQ(Text(kIdLoggerInfo), "Data logger information");
    EXPECT_EQ(Text(kIdStatus), "no error");
    EXPECT_TRUE(Enabled(kIdParametrieren));
    robot.OnDialog("Setup")
        .Inspect([](QWidget* w) {
            EXPECT_EQ(ui::ControlText(ui::FindControl(w, 2)), "Cancel");
            EXPECT_EQ(ui::ControlText(ui::FindControl(w, 1135)), "Language");
            EXPECT_TRUE(dynamic_cast<QAbstractButton*>(ui::FindControl(w, 1003))->isChecked());
            EXPECT_TRUE(dynamic_cast<QAbstractButton*>(ui::FindControl(w, 1006))->isChecked());
        })
        .Cancel();
    Click(kIdSetup);
    EXPECT_TRUE(robot.WaitIdle());
}

TEST_F(MainWindowTest, SetupOkAppliesPortAndLanguageCancelChangesNothing) {
    Open();
    robot.OnDialog("Setup").Check(1004).Check(1006).Click(1);
    Click(kIdSetup);
    ASSERT_TRUE(robot.WaitIdle());
    EXPECT_EQ(window->settings.portIndex, 3);
    EXPECT_EQ(Text(kIdKalibrieren), "Calibration");

    robot.OnDialog("Setup").Check(1001).Check(1005).Cancel();
    Click(kIdSetup);
    ASSERT_TRUE(robot.WaitIdle());
    EXPECT_EQ(window->settings.portIndex, 3);
    EXPECT_EQ(Text(kIdKalibrieren), "Calibration");
    Click(kIdExit);
    EXPECT_NE(Slurp(File("config.ini")).find("PORT=3\n\r"), std::string::npos);
    EXPECT_NE(Slurp(File("config.ini")).find("SPRACHE=1\n\r"), std::string::npos);
}

TEST_F(MainWindowTest, PortThatCannotBeOpenedIsReportedAndNoMeasurementStarts) {
    Open("/nonexistent/ttyQL50");
    UseRecordingFile("m.txt", 1);
    robot.OnMessage("COM 1 kann nicht ge").Click(1);
    Click(kIdMessung);
    ASSERT_TRUE(robot.WaitIdle());
    EXPECT_FALSE(window->measuring);
    EXPECT_TRUE(robot.Messages().at(0).contains("/nonexistent/ttyQL50"));
}

// Data lines as the recording file holds them, date and time cut off.
std::vector<std::string> DataValues(const std::string& file) {
    std::vector<std::string> values;
    static const QRegularExpression line("^\\d\\d\\.\\d\\d\\.\\d{4}\\t\\d\\d:\\d\\d\\t(.*\\r)$");
    for (const QString& l : QString::fromLatin1(file.c_str()).split('\n', Qt::SkipEmptyParts)) {
        const auto m = line.match(l);
        values.push_back(m.hasMatch() ? m.captured(1).toStdString() : "HEADER:" + l.toStdString());
    }
    return values;
}

TEST_F(MainWindowTest, MeasurementPollsShowsRecordsAndStops) {
    PtyPeer peer(OxygenModule);
    Open(peer.path());
    UseRecordingFile("messung.txt", 1);
    Click(kIdMessung);
    ASSERT_TRUE(window->measuring);
    EXPECT_EQ(Text(kIdMessung), "Messung beenden");
    for (int id : kIdleButtons) EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_FALSE(Enabled(kIdParametrieren));
    EXPECT_EQ(Text(kIdLabel1), QString::fromUtf8("Sättigung"));
    EXPECT_EQ(Text(kIdUnit1 + 1), "mg/l");

    // Values and calibration summary appear together with the first refresh of the poll.
    ASSERT_TRUE(WaitUntil([&] { return Text(kIdValue1) == "98.5"; }));
    EXPECT_EQ(Text(kIdCalSummary),
              QString::fromUtf8("Anstieg: 35.2  B < 20°C: 2  B > 20°C: 3  Salinität: 1.50  "));
    EXPECT_EQ(Text(kIdValue1 + 1), "9.12");
    EXPECT_EQ(Text(kIdValue1 + 5), "21.3");
    // Data lines come at the interval; those after the first poll carry the module's values.
    ASSERT_TRUE(WaitUntil([&] { return DataValues(Slurp(File("messung.txt"))).size() >= 4; }));

    robot.OnMessage("Messung erst beenden!").Click(1);
    window->reject();  // Esc
    ASSERT_TRUE(robot.WaitIdle());
    EXPECT_TRUE(window->measuring);
    EXPECT_TRUE(window->isVisible());

    QElapsedTimer stopTime;
    stopTime.start();
    Click(kIdMessung);
    EXPECT_LE(stopTime.elapsed(), 4500);  // about three seconds
    EXPECT_EQ(Text(kIdValue1), "");
    EXPECT_EQ(Text(kIdValue1 + 5), "");
    EXPECT_EQ(Text(kIdLabel1), QString::fromUtf8("Sättigung"));
    EXPECT_EQ(Text(kIdMessung), "Messung starten");
    for (int id : kIdleButtons) EXPECT_TRUE(Enabled(id)) << id;

    const std::string file = Slurp(File("messung.txt"));
    EXPECT_EQ(file.rfind(RecordHeaderLine(), 0), 0u);
    EXPECT_EQ(DataValues(file).back(), "98,5\t21,3\t150\t210\t9,12\t1013\r");

    // A new start writes a new header before its data lines.
    const std::size_t before = DataValues(file).size();
    Click(kIdMessung);
    ASSERT_TRUE(
        WaitUntil([&] { return DataValues(Slurp(File("messung.txt"))).size() > before + 1; }));
    Click(kIdMessung);
    const auto values = DataValues(Slurp(File("messung.txt")));
    EXPECT_EQ(values.at(before), DataValues(file).front());
    EXPECT_EQ(values.at(before + 1).rfind("HEADER:", 0), std::string::npos);
}

TEST_F(MainWindowTest, RecordingSetupThroughItsDialogs) {
    Open();
    const std::string path = File("aufnahme");
    robot.OnFileDialog().SaveAs(QString::fromStdString(path));
    robot.OnDialog("Aufzeichnungintervall").SetTime(1094, QTime(1, 30, 15)).Click(1);
    Click(kIdSetupMessung);
    ASSERT_TRUE(robot.WaitIdle());
    EXPECT_TRUE(std::filesystem::exists(path + ".txt"));
    EXPECT_EQ(Text(kIdRecordingLabel), "Aufzeichnungsdatei: aufnahme.txt");
    EXPECT_TRUE(Enabled(kIdMessung));
    EXPECT_EQ(window->settings.hours, 1);
    EXPECT_EQ(window->settings.minutes, 30);
    EXPECT_EQ(window->settings.seconds, 15);

    // A cancelled choice keeps recording into the old file, appending.
    ASSERT_TRUE(window->recordingFile.Write("old\n"));
    robot.OnFileDialog().Cancel();
    Click(kIdSetupMessung);
    ASSERT_TRUE(robot.WaitIdle());
    ASSERT_TRUE(window->recordingFile.Write("more\n"));
    EXPECT_EQ(Slurp(path + ".txt"), "old\nmore\n");
    Click(kIdExit);
    EXPECT_NE(Slurp(File("config.ini")).find("INTERVALL=01:30:15\n\r"), std::string::npos);
}

TEST_F(MainWindowTest, RecordingFileInAnUnwritableFolderIsRefused) {
    Open();
    robot.OnFileDialog().SaveAs("/proc/ql50-no-such-dir/x.txt");
    robot.OnDialog("Aufzeichnungintervall").Click(1);
    robot.OnMessage("/proc/ql50-no-such-dir/x.txt").Click(1);
    Click(kIdSetupMessung);
    robot.WaitIdle();
    EXPECT_FALSE(Enabled(kIdMessung));
    EXPECT_FALSE(window->recordingFile.IsOpen());
}

// A config.ini that cannot be read is reported at start and left as it is at exit; once the user
// changes a setting it is written, and a failure to write it is reported while the exit completes.
TEST_F(MainWindowTest, UnreadableSettingsAreReportedAndKeptUnlessChanged) {
    std::filesystem::create_directory(File("config.ini"));  // reading and replacing it fail
    robot.OnMessage("config.ini kann nicht gelesen werden").Click(1);
    Open();
    ASSERT_TRUE(robot.WaitIdle());
    Click(kIdExit);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(robot.Messages().size(), 1);  // nothing was written, so nothing failed

    robot.OnMessage("config.ini kann nicht gelesen werden").Click(1);
    Open();
    robot.OnDialog("Setup").Check(1006).Click(1);  // English
    Click(kIdSetup);
    robot.OnMessage("Die Einstellungen wurden nicht gespeichert").Click(1);
    Click(kIdExit);
    ASSERT_TRUE(robot.WaitIdle());
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(robot.Messages().last().contains("config.ini"));
}

TEST_F(MainWindowTest, RecordingFileThatFailsIsReportedOnceAndTheMeasurementGoesOn) {
    if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
    PtyPeer peer(OxygenModule);
    Open(peer.path());
    ASSERT_TRUE(window->recordingFile.OpenAppend("/dev/full"));
    window->settings.seconds = 1;
    window->settings.minutes = 0;
    window->EnableItem(kIdMessung, true);
    robot.OnMessage("/dev/full: No space left on device").Click(1);
    Click(kIdMessung);
    ASSERT_TRUE(robot.WaitIdle());
    EXPECT_TRUE(window->measuring);
    // Later lines fail as well, without another box; the poll goes on.
    ASSERT_TRUE(WaitUntil([&] { return Text(kIdValue1) == "98.5"; }));
    EXPECT_EQ(robot.Messages().size(), 1);
    EXPECT_TRUE(Text(kIdStatus).contains("/dev/full"));
    Click(kIdMessung);
}

TEST_F(MainWindowTest, SpinnerOffersAddressesZeroTo31And255) {
    for (auto [pos, address] :
         {std::pair{0, 0}, {31, 31}, {32, 255}, {253, 255}, {254, 31}, {255, 255}})
        EXPECT_EQ(SpinnerAddress(pos), address) << pos;
}

// A module that stops answering during a measurement: its old values are never recorded as
// new (lines with empty cells), the value fields grey and the status says since when; when it
// answers again the values are fresh again.
TEST_F(MainWindowTest, SilentModuleGivesEmptyCellsAndAStaleDisplay) {
    std::atomic<bool> silent = false;
    PtyPeer peer([&](const Frame& req) {
        const bool live = req[kPosOp] == kReadValue && req[kPosRegister] <= 6;
        return live && silent ? Bytes{} : OxygenModule(req);
    });
    Open(peer.path());
    UseRecordingFile("aufzeichnung.txt", 1);
    Click(kIdMessung);
    const auto lines = [&] { return Slurp(File("aufzeichnung.txt")); };
    ASSERT_TRUE(WaitUntil([&] { return lines().find("98,5") != std::string::npos; }));
    EXPECT_TRUE(Enabled(kIdValue1));

    silent = true;
    ASSERT_TRUE(WaitUntil([&] { return !Enabled(kIdValue1); }));
    EXPECT_TRUE(Text(kIdStatus).startsWith("Keine Antwort vom Modul seit "));
    ASSERT_TRUE(WaitUntil([&] {
        return lines().size() >= 2 && lines().substr(lines().size() - 8) == "\t\t\t\t\t\t\r\n";
    }));

    silent = false;
    ASSERT_TRUE(WaitUntil([&] { return Enabled(kIdValue1); }));
    EXPECT_EQ(Text(kIdStatus), "kein Fehler");
    Click(kIdMessung);
    // Every line is either whole values or whole gaps, and the first came before any reply.
    const std::string file = lines();
    EXPECT_NE(file.find("\t\t\t\t\t\t\r\n"), std::string::npos);
    EXPECT_EQ(file.find("\t0\t0\t"), std::string::npos) << "no zeros for missing values";
}

// The line goes away during a measurement (an unplugged adapter) and comes back on the same
// device path: reported once, the poll opens it again by itself, and recording goes on.
TEST_F(MainWindowTest, LostLineDuringAMeasurementIsOpenedAgainWhenItComesBack) {
    auto first = std::make_unique<PtyPeer>(OxygenModule);
    const std::string device = File("ttyQL50");
    std::filesystem::create_symlink(first->path(), device);
    Open(device);
    UseRecordingFile("aufzeichnung.txt", 1);
    Click(kIdMessung);
    const auto lines = [&] { return Slurp(File("aufzeichnung.txt")); };
    ASSERT_TRUE(WaitUntil([&] { return lines().find("98,5") != std::string::npos; }));

    robot.OnMessage("ReadFile()").Click(1);
    first->HangUp();
    ASSERT_TRUE(WaitUntil([&] { return Text(kIdStatus).startsWith("Verbindung zum Modul"); }));
    ASSERT_TRUE(robot.WaitIdle());
    ASSERT_TRUE(WaitUntil([&] { return !Enabled(kIdValue1); }));
    const std::size_t lost = lines().size();

    PtyPeer second(OxygenModule);
    std::filesystem::remove(device);
    std::filesystem::create_symlink(second.path(), device);
    ASSERT_TRUE(WaitUntil([&] { return Text(kIdStatus).contains("wieder da um"); }));
    ASSERT_TRUE(WaitUntil([&] { return lines().find("98,5", lost) != std::string::npos; }));
    EXPECT_TRUE(Enabled(kIdValue1));
    EXPECT_EQ(robot.Messages().size(), 1) << "one report, not one per try";
    Click(kIdMessung);
}

}  // namespace
}  // namespace ql50::test
