// The guided calibration on the real main window, driven as a user drives it: a scripted module
// answers with fixed values (the live poll keeps fetching them during the prompts), or the
// virtual module measures a sensor put into known solutions.
#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QRegularExpression>
#include <QTableWidget>

#include "MainWindowFixture.h"
#include "RequestLog.h"
#include "calibration/CHistoryWindow.h"
#include "calibration/CalibrationDialogs.h"
#include "calibration/CalibrationFormulas.h"
#include "link/Encoding.h"
#include "link/Registers.h"
#include "sim/PtyServer.h"
#include "sim/VirtualModule.h"
#include "support/Pty.h"
#include "support/Screenshot.h"

namespace ql50::test {
namespace {

constexpr int kEntry = 153;
constexpr int kResult = 154;
constexpr int kChoice = 155;
constexpr int kSave = CKalWertAusgabe::kIdSave;
constexpr int kExit = CKalWertAusgabe::kIdExit;
constexpr int kValueEdit = CKalWertEingabe::kIdValue;

const QString kCalError = "Kalibrierfehler!";
const QString kWait = "Warten, bis der Messwert stabil ist.";

// The six live values of the poll chain: value1 .. value5 and the temperature.
using Live = std::array<float, 6>;

// A scripted module that holds a type, calibration values (float24) and live values (float32);
// it acknowledges parameter writes and the end of a write series.
class CalibratingModule : public ScriptedModule {
public:
    CalibratingModule(int type, const std::array<float, 5>& held, const Live& live) {
        Reply(kReadParam, kParamType, {std::uint8_t(type + 1), 0, 0, 0});
        const std::uint8_t regs[] = {32, 33, 34, 35, 37};
        for (std::size_t i = 0; i < 5; ++i) Reply(kReadParam, regs[i], EncodeFloat24(held[i]));
        Reply(kReadValue, kValueEndOfWrites, {});
        Reply(kReadParam, kParamManufacturer, {'4', '7', '1', '1'});
        for (std::uint8_t reg = 1; reg <= 6; ++reg) SetLive(reg, live[reg - 1u]);
    }
    void SetLive(int channel, float value) {
        Reply(kReadValue, std::uint8_t(channel), EncodeFloat32(value));
    }
};

// The parameter writes of a store of these five values.
using Writes = std::vector<std::pair<std::uint8_t, DataBytes>>;
Writes StoreOf(const std::array<float, 5>& values) {
    const std::uint8_t regs[] = {32, 33, 34, 35, 37};
    Writes writes;
    for (int i = 0; i < 5; ++i) writes.emplace_back(regs[i], EncodeFloat24(values[i]));
    return writes;
}

QString DialogText(QWidget* w, int id) {
    return static_cast<ui::CDialog*>(w)->ItemText(id);
}

class CalibrationTest : public MainWindowTest {
protected:
    CModulDaten& modul() { return window->session().conversation().modul(); }
    Live LiveNow() {
        const CModulDaten& m = modul();
        return {m.value1, m.value2, m.value3, m.value4, m.value5, m.temperature};
    }
    // Waits in a prompt until the poll has brought these live values.
    void AwaitLive(const Live& live) {
        EXPECT_TRUE(WaitUntil([&] { return LiveNow() == live; }));
    }
    // The parameter writes sent so far: empty when nothing was stored.
    Writes Written(CalibratingModule& module) {
        Writes writes;
        for (const Frame& f : RequestLog().New(window->session().conversation(), module.peer()))
            if (f[kPosOp] == kWriteParam) writes.emplace_back(f[kPosRegister], FrameData(f));
        return writes;
    }
    QString Summary() const { return Text(kIdCalSummary); }
    // Runs the calibration; returns the texts of the message boxes it showed.
    QStringList Calibrate() {
        const qsizetype before = robot.Messages().size();
        Click(kIdKalibrieren);
        EXPECT_TRUE(robot.WaitIdle());
        return robot.Messages().mid(before);
    }
    void Close() {
        window->DestroyWindow();
        window.reset();
    }
    // The fields of the calibration record's lines after its header, from the type to the
    // result.
    std::vector<QStringList> Record() const {
        QStringList lines = QString::fromUtf8(Slurp(File("kalibrierung.txt"))).split('\n');
        EXPECT_EQ(lines.value(0),
                  QString::fromUtf8("Zeit\tMesstyp\tAdresse\tKalibrierung\tvorher\tnachher\t"
                                    "Ergebnis\tModul\tTemperatur °C\tWerte\tSHA-256"));
        std::vector<QStringList> rows;
        for (qsizetype i = 1; i + 1 < lines.size(); ++i)
            rows.push_back(lines[i].split('\t').mid(1, 6));
        return rows;
    }
};

// ---- pH ------------------------------------------------------------------------------------

constexpr std::array<float, 5> kPhHeld{5.0f, -57.0f, 12.5f, 3.25f, 1.0f};

TEST_F(CalibrationTest, PhTwoBuffers) {
    const struct {
        const char* name;
        float u1, u2;
        const char *ph1, *ph2;
        bool warned;
        int ending;  // kSave, kExit, or 0: no result dialog
        const char *shown1, *shown2;
        const char* summary;  // exact, or nullptr
    } cases[] = {
        {"worked example", 0.0f, 177.48f, "7.00", "4.00", false, kSave, "0.0 mV", "-59.2 mV/pH",
         "Asymmetrie: 0.0  Steilheit: -59.2  "},
        {"exit", 1.26f, 175.95f, "7", "4", false, kExit, "1.3 mV", "-58.2 mV/pH",
         "Asymmetrie: 1.3  Steilheit: -58.2  "},
        {"equal set points", 0.0f, 177.48f, "7", "7", true, 0, "", "",
         "Asymmetrie: 5.0  Steilheit: -57.0  "},
        {"slope too flat", 0.0f, 134.7f, "7", "4", true, kSave, "0.0 mV", "-44.9 mV/pH",
         "Asymmetrie: 0.0  Steilheit: -44.9  "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Live buffer1{7.0f, c.u1, 0, 0, 0, 25.0f};
        Live buffer2 = buffer1;
        buffer2[1] = c.u2;
        CalibratingModule module(0, kPhHeld, buffer1);
        Open(module.path());
        robot.OnMessage(QString::fromUtf8("Sensor in 1. Pufferlösung tauchen.")).Click(1);
        robot.OnMessage(kWait).Inspect([&](QWidget*) { AwaitLive(buffer1); }).Click(1);
        robot.OnTemplate(kEntry).SetText(kValueEdit, c.ph1).Click(1);
        robot.OnMessage(QString::fromUtf8("Sensor in 2. Pufferlösung tauchen."))
            .Inspect([&](QWidget*) { module.SetLive(2, c.u2); })
            .Click(1);
        robot.OnMessage(kWait).Inspect([&](QWidget*) { AwaitLive(buffer2); }).Click(1);
        robot.OnTemplate(kEntry)
            .Inspect([&](QWidget* w) {
                EXPECT_EQ(DialogText(w, kValueEdit), "7") << "opens with the first set point";
            })
            .SetText(kValueEdit, c.ph2)
            .Click(1);
        if (c.warned) robot.OnMessage(kCalError).Click(1);
        if (c.ending != 0) {
            robot.OnTemplate(kResult)
                .Inspect([&](QWidget* w) {
                    EXPECT_EQ(DialogText(w, 1166), c.shown1);
                    EXPECT_EQ(DialogText(w, 1167), c.shown2);
                })
                .Click(c.ending);
        }
        EXPECT_EQ(Calibrate().count(kCalError), c.warned ? 1 : 0);
        EXPECT_EQ(Summary(), c.summary);
        if (c.ending == kSave) {
            const PhCalibration r =
                ComputePhCalibration(c.u1, c.u2, std::stof(c.ph1), std::stof(c.ph2), 25.0f);
            EXPECT_EQ(Written(module),
                      StoreOf({r.asymmetry, r.slope, kPhHeld[2], kPhHeld[3], kPhHeld[4]}));
        } else {
            EXPECT_EQ(Written(module), Writes{});
        }
        Close();
    }
    // One line per run in the calibration record, appended.
    const QString before = "Asymmetrie 5.0 mV; Steilheit -57.0 mV/pH";
    const std::vector<QStringList> expected{
        {"pH", "0", "pH", before, "Asymmetrie 0.0 mV; Steilheit -59.2 mV/pH", "gespeichert"},
        {"pH", "0", "pH", before, "", "abgebrochen, nichts gespeichert"},
        {"pH", "0", "pH", before, "", "Kalibrierfehler, nichts gespeichert"},
        {"pH", "0", "pH", before, "Asymmetrie 0.0 mV; Steilheit -44.9 mV/pH",
         QString::fromUtf8("gespeichert trotz Warnung (außerhalb des Bereichs)")}};
    EXPECT_EQ(Record(), expected);
}

// ---- one-point types: Redox and conductivity ----------------------------------------------

// The prompts, the entry and the result open below the value row: the user sees the values
// they are asked to watch.
TEST_F(CalibrationTest, PromptsLeaveTheValueRowInView) {
    for (const int language : {0, 1}) {
        const Live live{12.0f, 0, 0, 0, 0, 25.0f};
        CalibratingModule module(1, {2.0f, 2.0f, 0, 0, 1.0f}, live);
        Open(module.path());
        window->settings.language = std::uint8_t(language);
        window->ApplyLanguage();
        // The row from the first column's label to the last column's value.
        const auto clear = [this](QWidget* w) {
            const QWidget *first = window->Item(kIdLabel1), *last = window->Item(kIdValue1 + 5);
            const QRect row(first->mapToGlobal(QPoint()),
                            last->mapToGlobal(QPoint(last->width(), last->height())));
            EXPECT_FALSE(w->frameGeometry().intersects(row)) << w->objectName().toStdString();
        };
        robot.OnMessage("").Inspect(clear).Click(1);
        robot.OnMessage("").Inspect([&](QWidget*) { AwaitLive(live); }).Inspect(clear).Click(1);
        robot.OnTemplate(kEntry).Inspect(clear).SetText(kValueEdit, "5.0").Click(1);
        robot.OnTemplate(kResult).Inspect(clear).Click(kExit);
        Calibrate();
        Close();
    }
}

// ---- oxygen: the choice and its three branches -----------------------------------------------

constexpr std::array<float, 5> kOxygenHeld{120.0f, 2400.0f, 2600.0f, 12.5f, 1.0f};

TEST_F(CalibrationTest, OxygenSalinityAndAirPressure) {
    const float factor = ComputeAirPressureFactor(1000.0f, 990.0f, 1.0f);
    auto held = [](int i, float v) {
        auto values = kOxygenHeld;
        values[i] = v;
        return values;
    };
    const struct {
        int button;
        const char *opensWith, *entered;
        const char* shown;  // result line 2, or nullptr: refused
        Writes writes;
    } cases[] = {
        {CKalAuswahl::kIdSalinity, "12.5", "40", "40.00 g/l", StoreOf(held(3, 40.0f))},
        {CKalAuswahl::kIdSalinity, "12.5", "40.01", nullptr, {}},
        {CKalAuswahl::kIdAirPressure, "990", "1000", "1000 hPa", StoreOf(held(4, factor))},
        {CKalAuswahl::kIdAirPressure, "990", "800", nullptr, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entered);
        const Live live{100.0f, 9.0f, 120.0f, 0, 990.0f, 25.0f};
        CalibratingModule module(7, kOxygenHeld, live);
        Open(module.path());
        robot.OnTemplate(kChoice).Click(c.button);
        if (c.button == CKalAuswahl::kIdAirPressure)
            robot.OnMessage(kWait).Inspect([&](QWidget*) { AwaitLive(live); }).Click(1);
        robot.OnTemplate(kEntry)
            .Inspect([&](QWidget* w) { EXPECT_EQ(DialogText(w, kValueEdit), c.opensWith); })
            .SetText(kValueEdit, c.entered)
            .Click(1);
        if (c.shown)
            robot.OnTemplate(kResult)
                .Inspect([&](QWidget* w) { EXPECT_EQ(DialogText(w, 1167), c.shown); })
                .Click(kSave);
        else
            robot.OnMessage(kCalError).Click(1);
        Calibrate();
        EXPECT_EQ(Written(module), c.writes);
        Close();
    }
}

TEST_F(CalibrationTest, ClosingTheOxygenChoiceEndsTheCalibration) {
    CalibratingModule module(7, kOxygenHeld, {100.0f, 9.0f, 120.0f, 0, 990.0f, 25.0f});
    Open(module.path());
    robot.OnTemplate(kChoice).Key(Qt::Key_Escape);
    EXPECT_TRUE(Calibrate().isEmpty());
    EXPECT_EQ(Written(module), Writes{});
    ASSERT_EQ(Record().size(), 1u);
    const QStringList row = Record()[0];  // no branch was chosen, nothing stored
    EXPECT_EQ(QStringList({row[0], row[2], row[4], row[5]}),
              QStringList({"Sauerstoff", "", "", "abgebrochen, nichts gespeichert"}));
}

// A record that cannot be written is told once; the calibrations go on.
TEST_F(CalibrationTest, RecordThatCannotBeWrittenIsToldOnce) {
    std::filesystem::create_directory(File("kalibrierung.txt"));
    CalibratingModule module(7, kOxygenHeld, {100.0f, 9.0f, 120.0f, 0, 990.0f, 25.0f});
    Open(module.path());
    robot.OnTemplate(kChoice).Key(Qt::Key_Escape);
    robot.OnMessage("Das Kalibrierprotokoll kann nicht geschrieben werden").Click(1);
    EXPECT_EQ(Calibrate().size(), 1);
    robot.OnTemplate(kChoice).Key(Qt::Key_Escape);
    EXPECT_TRUE(Calibrate().isEmpty());
}

// ---- no calibration ----------------------------------------------------------------------

TEST_F(CalibrationTest, FreiHasNoPrompt) {
    CalibratingModule module(6, {2.5f, 0, 0, 0, 1.0f}, {1.0f, 0, 0, 0, 0, 20.0f});
    Open(module.path());
    EXPECT_TRUE(Calibrate().isEmpty());
    EXPECT_EQ(Summary(), ": 2.5  ");
    EXPECT_EQ(Written(module), Writes{});
}

// An opening read that goes unanswered ends the run before any prompt: the store would write
// back a value that did not come from this module.
TEST_F(CalibrationTest, UnansweredOpeningReadEndsTheRun) {
    CalibratingModule module(0, kPhHeld, {7.0f, 0, 0, 0, 0, 25.0f});
    module.Silence(kReadParam, 34);
    Open(module.path());
    robot.OnMessage("Fehler in der Datenkommunikation!").Click(1);
    EXPECT_EQ(Calibrate().size(), 1);
    EXPECT_EQ(Written(module), Writes{});
    ASSERT_EQ(Record().size(), 1u);
    EXPECT_EQ(Record()[0].last(), "keine Antwort vom Modul, nichts gespeichert");
}

// ---- the virtual module ------------------------------------------------------------------

// The number the summary shows after a label.
double SummaryValue(const QString& summary, const QString& label) {
    const auto m =
        QRegularExpression(QRegularExpression::escape(label) + ": (-?[0-9.]+)  ").match(summary);
    EXPECT_TRUE(m.hasMatch()) << summary.toStdString();
    return m.captured(1).toDouble();
}

// The first line of the chart: the charted quantity over the stored runs.
const QLineSeries* FirstLine(CHistoryWindow& history) {
    for (QAbstractSeries* s : history.chartView()->chart()->series())
        if (auto* line = qobject_cast<QLineSeries*>(s)) return line;
    return nullptr;
}

// A module that acknowledges the store but does not keep it: the user is told, and the window
// and the record show what the module holds. A stored pH calibration brings the next due date
// into the status and shows in the history.
TEST_F(CalibrationTest, VirtualModuleCalibrationsAreAcceptedAndStored) {
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(Dir()));  // the default intervals
    const struct {
        int type;
        std::vector<double> solutions;  // one per sensor prompt
        const char* immerse;            // the first prompt
        const char* label;              // of the calibration value that changes
        std::uint8_t reg;
        float wrong;  // held by the module before the run
        float expected, tolerance;
        bool unkept = false;  // the module acknowledges the store of `reg` and keeps nothing
    } cases[] = {
        {0, {7.0, 4.0}, "Sensor in 1. Pufferlösung", "Steilheit", 33, -50.0f, -58.2f, 0.15f},
        {3, {1413.0}, "Sensor in Pufferlösung", "Zellkonstante", 32, 0.9f, 1.0f, 0.006f},
        {7, {100.0}, "Sensor in Kalibriermedium", "Anstieg", 32, 80.0f, 120.0f, 0.1f},
        {3, {1413.0}, "Sensor in Pufferlösung", "Zellkonstante", 32, 0.9f, 0.9f, 0.006f, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        sim::VirtualModule module;
        module.SetType(c.type);
        module.SetParameter(c.reg, EncodeFloat24(c.wrong));
        if (c.unkept) module.AcknowledgeOnly(kWriteParam, c.reg);
        module.Immerse(c.solutions[0]);
        sim::PtyServer server(module);
        std::string error;
        ASSERT_TRUE(server.Start(&error)) << error;
        Open(server.SlavePath());
        const auto twoPolls = [this](QWidget*) { AwaitWholePoll(); };
        if (c.type == 7) robot.OnTemplate(kChoice).Click(CKalAuswahl::kIdOxygen);
        for (std::size_t i = 0; i < c.solutions.size(); ++i) {
            auto& prompt = robot.OnMessage(QString::fromUtf8(i == 0 ? c.immerse : "Sensor in 2."));
            if (i > 0) prompt.Inspect([&, i](QWidget*) { module.Immerse(c.solutions[i]); });
            prompt.Click(1);
            robot.OnMessage(kWait).Inspect(twoPolls).Click(1);
            robot.OnTemplate(kEntry).SetText(kValueEdit, QString::number(c.solutions[i])).Click(1);
        }
        robot.OnTemplate(kResult).Click(kSave);
        const QString unkept = QString::fromUtf8("Das Modul hat die Kalibrierung nicht bestätigt");
        if (c.unkept) robot.OnMessage(unkept).Click(1);
        const QStringList shown = Calibrate();
        EXPECT_FALSE(shown.contains(kCalError)) << shown.join('|').toStdString();
        const float stored = DecodeFloat24(module.Parameter(c.reg));
        EXPECT_NEAR(stored, c.expected, c.tolerance);
        EXPECT_NEAR(SummaryValue(Summary(), c.label), stored, 0.051);
        EXPECT_EQ(Record().back()[5].startsWith("vom Modul nicht"), c.unkept);
        if (c.type == 0) {
            const QString due = QDate::currentDate().addDays(7).toString("dd.MM.yyyy");
            EXPECT_TRUE(Text(kIdStatus).endsWith(", Sensor: gut; nächste Kalibrierung am " + due))
                << Text(kIdStatus).toStdString();
            EXPECT_TRUE(Screenshot(window.get(), "main-german-calibration-due"));
            Click(kIdKalibrierverlauf);
            CHistoryWindow* history = window->care().historyWindow();
            ASSERT_TRUE(history && history->isVisible());
            ASSERT_EQ(history->histories().size(), 1u);
            EXPECT_EQ(history->ItemText(CHistoryWindow::kIdModule), "Modul VM01 (pH)");
            const QLineSeries* slope = FirstLine(*history);
            ASSERT_TRUE(slope && slope->count() == 1);
            EXPECT_NEAR(slope->at(0).y(), 98.4, 0.2);
            EXPECT_TRUE(history->ItemText(CHistoryWindow::kIdCondition).contains("Sensor gut"));
        }
        Close();
    }
}

}  // namespace
}  // namespace ql50::test
