// The factory parametrisation from the main window in factory mode: the type written and
// reported, an input adjustment written from the reading shown, the device number and the
// composting flag, a module that stops answering, and the printed report read back from a PDF.
// The request sequences are the operations' and tested there.
#include <QCheckBox>
#include <QDateTime>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

#include "MainWindowFixture.h"
#include "factory/ParameterReport.h"
#include "link/Encoding.h"
#include "support/Pty.h"
#include "support/Screenshot.h"

namespace ql50::test {
namespace {

using P = CParametrieren;
constexpr int kTypeChoice = 151;
constexpr int kFactoryDialog = 131;
const QString kStart = QString::fromUtf8("Setzen Sie das Gerät in den Parametriermodus!");
const QString kDone = QStringLiteral("Parametrieren korrekt beendet!");
const QString kWaitStable = QStringLiteral("Warten bis Messwert stabil ist");

// A module in parametrisation mode with its adjustment values, device code and display type.
void FactoryModule(ScriptedModule& m, DataBytes code, std::uint8_t displayType) {
    m.Reply(kReadValue, kValueSelectType, {});
    m.Reply(kReadValue, kValueEndOfWrites, {});
    const std::pair<std::uint8_t, std::uint16_t> adjustments[] = {{kParamTemp0Adjust, 1520},
                                                                  {kParamTemp100Adjust, 2105},
                                                                  {kParamInputOpenAdjust, 118},
                                                                  {kParamInputHighAdjust, 3870},
                                                                  {kParamBatteryAdjust, 2870}};
    for (const auto& [reg, value] : adjustments) m.Reply(kReadParam, reg, EncodeUint16(value));
    m.Reply(kReadParam, kParamManufacturer, code);
    m.Reply(kReadParam, kParamDisplayType, {displayType, 0, 0, 0});
}

QString Field(QWidget* dialog, int id) {
    return ui::ControlText(ui::FindControl(dialog, id));
}

class FactoryTest : public MainWindowTest {
protected:
    void OpenOn(ScriptedModule& m) {
        Open(m.path());
        window->settings.factoryMode = 1;
        window->ApplyLanguage();
        peer_ = &m.peer();
    }
    // The run up to the factory dialog, choosing type index `type`.
    void ExpectStart(int type) {
        robot.OnMessage(kStart).Click(1);
        robot.OnTemplate(kTypeChoice).Select(CMessTypAuswahl::kIdTypeList, type).Click(1);
    }
    std::vector<Frame> NewRequests() { return MainWindowTest::NewRequests(*peer_); }
    CParametrieren& Dialog() { return window->factory().dialog(); }

private:
    PtyPeer* peer_ = nullptr;
};

// "Sauerstoff" is written as 8 and reported so; a zero byte ends the device code; the composting
// flag shows as checked; PROG writes the typed digits and the cleared flag.
TEST_F(FactoryTest, TypeReportDeviceNumberAndCompostingFlag) {
    ScriptedModule module;
    FactoryModule(module, {'1', '2', 0, '7'}, 1);
    OpenOn(module);
    ASSERT_TRUE(Enabled(kIdParametrieren));
    robot.OnMessage(kStart).Click(1);
    robot.OnTemplate(kTypeChoice)
        .Inspect([](QWidget* d) {
            EXPECT_EQ(d->windowTitle(), QString::fromUtf8("Typ auswählen"));
            EXPECT_EQ(Field(d, CMessTypAuswahl::kIdTypeList), "pH");
        })
        .Select(CMessTypAuswahl::kIdTypeList, 7)
        .Click(1);
    robot.OnTemplate(kFactoryDialog)
        .Inspect([](QWidget* d) {
            EXPECT_TRUE(
                qobject_cast<QCheckBox*>(ui::FindControl(d, P::kIdComposting))->isChecked());
            EXPECT_EQ(Field(d, P::kIdDeviceNumber), "12");
            EXPECT_TRUE(Screenshot(d, "factory-dialog"));
            // Digits only, at most four of them.
            auto* number = qobject_cast<QLineEdit*>(ui::FindControl(d, P::kIdDeviceNumber));
            number->clear();
            QTest::keyClicks(number, "x1a2345");
            EXPECT_EQ(number->text(), "1234");
        })
        .Check(P::kIdComposting, false)
        .Click(P::kIdProgram);
    robot.OnTemplate(kFactoryDialog).Click(ui::kIdCancel);
    robot.OnMessage(kDone).Click(1);
    Click(kIdParametrieren);
    ASSERT_TRUE(robot.WaitIdle());

    const QString report = Dialog().parameterText;
    const QStringList head = report.left(20).split(QStringLiteral("\n\r"));
    const QDateTime printed = QDateTime::fromString(head[0], QStringLiteral("dd.MM.yyyy  hh:mm"));
    ASSERT_TRUE(printed.isValid()) << head[0].toStdString();
    EXPECT_LT(std::abs(printed.secsTo(QDateTime::currentDateTime())), 300);
    EXPECT_EQ(report.mid(17),
              "\n\r\n\r"
              "TEMP00_I          1520\n\r"
              "TEMP100_I         2105\n\r"
              "PARA00_I          118\n\r"
              "PARA01_I          3870\n\r"
              "PARA10_I          2870\n\r"
              "MESS_TYP          8\n\r"
              "HERSTELLER        12\n\r"
              "ANZEIGE Typ        1\n\r");
    // The type, the typed device number and the cleared flag, the type again at the end.
    std::vector<std::pair<int, DataBytes>> writes;
    for (const Frame& f : NewRequests())
        if (f[kPosOp] == kWriteParam) writes.emplace_back(f[kPosRegister], FrameData(f));
    const DataBytes type{8, 0, 0, 0};
    const std::vector<std::pair<int, DataBytes>> expected{
        {28, type}, {26, {'1', '2', '3', '4'}}, {130, {0, 0, 0, 0}}, {28, type}};
    EXPECT_EQ(writes, expected);
}

// The value window shows the reading; confirming writes the reading shown into the button's
// register. Confirmed before any reading came, nothing is written and the user is told.
TEST_F(FactoryTest, AdjustmentWritesTheReadingShownAndNothingWithoutOne) {
    ScriptedModule module;
    FactoryModule(module, {'0', '0', '0', '1'}, 0);
    module.Reply(kReadValue, kValueRawInput, {0xD2, 0x04, 0, 0});  // 1234
    OpenOn(module);
    ExpectStart(0);
    robot.OnTemplate(kFactoryDialog).Click(P::kIdBattery);  // the battery reading never comes
    robot.OnMessage(kWaitStable).Click(1);
    robot.OnMessage(QStringLiteral("Es wurde kein Messwert empfangen.")).Click(1);
    robot.OnTemplate(kFactoryDialog).Click(P::kIdInputHigh);
    robot.OnMessage(kWaitStable)
        .Inspect([this](QWidget*) {
            CMesswertAusgabe& value = Dialog().valueWindow;
            EXPECT_TRUE(WaitUntil(
                [&] { return ui::ControlText(value.Item(CMesswertAusgabe::kIdValue)) == "1234"; }));
            EXPECT_TRUE(value.isVisible());
            EXPECT_EQ(value.frameGeometry().topLeft(), QPoint(0, 0));
        })
        .Click(1);
    robot.OnTemplate(kFactoryDialog).Click(ui::kIdCancel);
    robot.OnMessage(kDone).Click(1);
    Click(kIdParametrieren);
    ASSERT_TRUE(robot.WaitIdle());
    EXPECT_FALSE(Dialog().valueWindow.isVisible());
    std::vector<Frame> adjustmentWrites;
    for (const Frame& f : NewRequests())
        if (f[kPosOp] == kWriteParam && f[kPosRegister] != kParamType)
            adjustmentWrites.push_back(f);
    const std::vector<Frame> expected{BuildFrame(0, kWriteParam, 2, 7, {0xD2, 0x04, 0, 0})};
    EXPECT_EQ(adjustmentWrites, expected);
}

// The module answers the type but nothing of the refresh: one error message, an empty report
// ("Drucken" still offers the print dialog), and "Beenden" still closes the run with the type
// written again.
TEST_F(FactoryTest, SilentRefreshShowsOneErrorAndBeendenStillWritesTheType) {
    ScriptedModule module;
    module.Reply(kReadValue, kValueSelectType, {});
    OpenOn(module);
    ExpectStart(2);
    robot.OnMessage(QStringLiteral("Fehler in der Datenkommunikation!")).Click(1);
    robot.OnTemplate(kFactoryDialog)
        .Inspect([](QWidget* d) { EXPECT_EQ(Field(d, P::kIdReport), ""); })
        .Click(P::kIdPrint);
    robot.OnWindow(QStringLiteral("PrintDialog")).Cancel();
    robot.OnTemplate(kFactoryDialog).Click(ui::kIdCancel);
    robot.OnMessage(kDone).Click(1);
    Click(kIdParametrieren);
    ASSERT_TRUE(robot.WaitIdle());
    EXPECT_EQ(robot.Messages().filter(QStringLiteral("Fehler")).size(), 1);
    const std::vector<Frame> sent = NewRequests();
    ASSERT_GE(sent.size(), 2u);
    EXPECT_EQ(sent[sent.size() - 2], BuildFrame(0, req::kWriteType, {3, 0, 0, 0}));
}

// --- The printed report ---------------------------------------------------------------------

struct PrintedWord {
    double x, y;
    QString text;
};

class PrintedReport : public ::testing::Test {
protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            GTEST_SKIP() << "pdftotext (Debian package poppler-utils) is not installed";
    }
    // Prints text to a PDF page without margins, so that a printer pixel is 72 / 600 pt from
    // the page's corner. The printer starts at the screen's resolution: the report chooses its
    // own.
    QString Print(const QString& text) {
        const QString pdf = QString::fromStdString(dir_.File("report.pdf"));
        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Point);
        EXPECT_TRUE(PrintReport(printer, text));
        return pdf;
    }
    static QString Run(const QString& program, const QStringList& arguments) {
        QProcess process;
        process.start(program, arguments);
        EXPECT_TRUE(process.waitForFinished(60000)) << program.toStdString();
        return QString::fromUtf8(process.readAllStandardOutput());
    }
    // The words of the page with their top-left corners, in points.
    static std::vector<PrintedWord> Words(const QString& pdf) {
        const QString html = Run(QStringLiteral("pdftotext"), {"-bbox", pdf, "-"});
        static const QRegularExpression word(QString::fromLatin1(
            R"re(<word xMin="([\d.]+)" yMin="([\d.]+)"[^>]*>([^<]*)</word>)re"));
        std::vector<PrintedWord> words;
        for (const auto& m : word.globalMatch(html))
            words.push_back({m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3)});
        return words;
    }
    static double Points(int pixels) { return pixels * 72.0 / kDpi; }

    static constexpr int kDpi = 600;  // a PDF is printed as on a 600-dpi printer

private:
    TempDir dir_;
};

// Ten line ends print ten lines, the empty one included, from y = 400 on, 100 pixels apart, at
// x = 400, with their blank runs; the text after the last line end is not printed.
TEST_F(PrintedReport, LinesGoToTheirPositionsInOrder) {
    const QString report = QStringLiteral(
        "07.12.2026  01:58\n\r\n\r"
        "TEMP00_I          1520\n\rTEMP100_I         2105\n\rPARA00_I          118\n\r"
        "PARA01_I          3870\n\rPARA10_I          2870\n\rMESS_TYP          8\n\r"
        "HERSTELLER        0001\n\rANZEIGE Typ        1\n\rnot printed");
    const QString pdf = Print(report);
    std::map<int, QStringList> lines;  // line number -> words
    for (const PrintedWord& w : Words(pdf)) {
        const double line = (w.y - Points(kReportTop)) / Points(kReportPitch);
        // The top of a word's box lies within a few points of the line's top.
        EXPECT_NEAR(line, std::round(line), 0.25) << w.text.toStdString();
        QStringList& words = lines[int(std::lround(line))];
        if (words.isEmpty()) {
            EXPECT_NEAR(w.x, Points(kReportLeft), 1.0) << w.text.toStdString();
        }
        words.append(w.text);
    }
    const QStringList expected = ReportLines(report);
    ASSERT_EQ(expected.size(), 10);
    for (int n = 0; n < 10; ++n)
        EXPECT_EQ(lines[n].join(' '), expected[n].simplified()) << "line " << n;
    EXPECT_EQ(lines.size(), 10u);  // the empty line 1 was looked up, nothing beyond line 9
    const QString info = Run(QStringLiteral("pdfinfo"), {pdf});
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))))
        << info.toStdString();
    EXPECT_TRUE(info.contains(QStringLiteral("Daten Parametrieren")));
}

}  // namespace
}  // namespace ql50::test
