#include "app/CHauptDialog.h"

#include <QContextMenuEvent>
#include <QDateTime>
#include <QDir>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <array>
#include <ctime>

#include "app/CInfoDialog.h"
#include "app/CSetupDialog.h"
#include "formats/DisplayTexts.h"
#include "formats/Recording.h"
#include "logger/LoggerCommands.h"
#include "operations/LiveOps.h"
#include "tables/Meldungen.h"
#include "tables/MessTypen.h"
#include "tables/Texte.h"
#include "ui/DataExchange.h"
#include "ui/MessageBox.h"
#include "ui/QtLanguage.h"
#include "ui/QtText.h"
#include "ui/UpDownControl.h"
#include "ui/UserSettings.h"

namespace ql50 {
namespace {

using ui::Ctl;

// Template 102: six value columns (label above the value, unit to its right), the calibration
// and recording lines, the buttons, the status box; below them a row for the trend's button.
constexpr int kCol = 83;  // column pitch
constexpr ui::ControlTemplate kControls[] = {
    {kIdLabel1 + 0, Ctl::Static, "", 7, 5, 78, 8},
    {kIdValue1 + 0, Ctl::StaticRight, "", 7, 14, 52, 18},
    {kIdLabel1 + 1, Ctl::Static, "", 90, 5, 78, 8},
    {kIdValue1 + 1, Ctl::StaticRight, "", 90, 14, 52, 18},
    {kIdLabel1 + 2, Ctl::Static, "", 173, 5, 78, 8},
    {kIdValue1 + 2, Ctl::StaticRight, "", 173, 14, 52, 18},
    {kIdLabel1 + 3, Ctl::Static, "", 256, 5, 78, 8},
    {kIdValue1 + 3, Ctl::StaticRight, "", 256, 14, 52, 18},
    {kIdLabel1 + 4, Ctl::Static, "", 339, 5, 78, 8},
    {kIdValue1 + 4, Ctl::StaticRight, "", 339, 14, 52, 18},
    {kIdLabel1 + 5, Ctl::Static, "", 422, 5, 78, 8},
    {kIdValue1 + 5, Ctl::StaticRight, "", 422, 14, 52, 18},
    {kIdUnit1 + 0, Ctl::Static, "", 61 + 0 * kCol, 21, 26, 9},
    {kIdUnit1 + 1, Ctl::Static, "", 61 + 1 * kCol, 21, 26, 9},
    {kIdUnit1 + 2, Ctl::Static, "", 61 + 2 * kCol, 21, 26, 9},
    {kIdUnit1 + 3, Ctl::Static, "", 61 + 3 * kCol, 21, 26, 9},
    {kIdUnit1 + 4, Ctl::Static, "", 61 + 4 * kCol, 21, 26, 9},
    {-1, Ctl::Static, "°C", 61 + 5 * kCol, 21, 26, 9},
    {kIdCalSummary, Ctl::Static, "", 7, 38, 496, 8},
    {kIdRecordingLabel, Ctl::Static, "", 7, 48, 496, 8},
    {kIdSetupMessung, Ctl::Button, "Setup Messung", 7, 60, 84, 14},
    {kIdMessung, Ctl::Button, "Messung Starten", 7, 76, 84, 14},
    {kIdKalibrieren, Ctl::Button, "Kalibrieren", 7, 92, 84, 14},
    {kIdKonfigurieren, Ctl::Button, "Konfigurieren", 7, 108, 84, 14},
    {kIdLoggerAuslesen, Ctl::Button, "Datenlogger Auslesen", 95, 60, 84, 14},
    {kIdLoggerInfo, Ctl::Button, "Datenlogger Information", 95, 76, 84, 14},
    {kIdUhrzeit, Ctl::Button, "Uhrzeit stellen", 95, 92, 84, 14},
    {kIdLoggerLoeschen, Ctl::Button, "Datenlogger löschen", 95, 108, 84, 14},
    {kIdVerlauf, Ctl::Button, "Verlauf", 7, 124, 84, 14},
    {kIdKalibrierverlauf, Ctl::Button, "Kalibrierverlauf", 95, 124, 84, 14},
    {kIdParametrieren, Ctl::Button, "Parametrieren", 183, 60, 84, 14},
    {kIdSetup, Ctl::Button, "Setup", 183, 76, 84, 14},
    {kIdAddressLabel, Ctl::Static, "", 183, 94, 54, 8},
    {kIdAddress, Ctl::Edit, "", 238, 92, 20, 13, ui::kDisabled | ui::kReadOnly},
    {kIdSpinner, Ctl::UpDown, "", 258, 92, 9, 13, ui::kDisabled},
    {kIdExit, Ctl::Button, "Beenden", 183, 108, 84, 14},
    {-1, Ctl::GroupBox, "Status Info", 274, 56, 229, 60},
    {kIdStatus, Ctl::Static, "", 280, 66, 217, 47},
    {-1, Ctl::StaticRight, "Version 1.04", 274, 117, 229, 8},
};
constexpr ui::DialogTemplate kTemplate{102,     "QL50", 510,       141,
                                       "Arial", 8,      kControls, ui::kMinimizeBox};

}  // namespace

// Buttons that a running measurement disables and its stop enables again.

const std::array<int, 9> kIdleButtons{kIdSetupMessung, kIdSetup,         kIdKalibrieren,
                                      kIdExit,         kIdKonfigurieren, kIdLoggerAuslesen,
                                      kIdLoggerInfo,   kIdUhrzeit,       kIdLoggerLoeschen};

int SpinnerAddress(int position) {
    if (position >= 32 && position <= 253) return 255;
    if (position == 254) return 31;
    return position;
}

CHauptDialog::CHauptDialog(const QString& workDir, QWidget* parent)
    : ui::CDialog(kTemplate, parent), workDir_(workDir) {
    setWindowIcon(AppIcon());
    BindButtons();
    connect(&session_, &Session::liveCycle, this, &CHauptDialog::OnLiveCycle);
    connect(&session_, &Session::refreshDisplay, this, &CHauptDialog::Refresh);
    connect(&session_, &Session::watchdogNotice, this, &CHauptDialog::OnWatchdogNotice);
    connect(&session_, &Session::statusReport, this,
            [this] { statusText_ = StatusReportText(session_.module().status); });
    connect(&session_, &Session::portError, this, &CHauptDialog::OnPortError);
    // What a search assigned; the command line's --port, mapped after this, overrides it.
    ApplyPortAssignments(session_, ReadPortAssignments(ui::UserSettingsFile()));
}

CHauptDialog::~CHauptDialog() {
    session_.Close();
}

QString CHauptDialog::Path(const QString& name) const {
    return QDir(workDir_).filePath(name);
}

QIcon CHauptDialog::AppIcon() {
    // A water drop with the module's name.
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath drop;
    drop.moveTo(16, 1);
    drop.cubicTo(16, 1, 29, 15, 29, 21);
    drop.arcTo(3, 8, 26, 23, 0, -180);
    drop.cubicTo(3, 15, 16, 1, 16, 1);
    p.fillPath(drop, QColor(0x1f, 0x6f, 0xb5));
    p.setPen(Qt::white);
    QFont f("Liberation Sans");
    f.setPixelSize(9);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRect(3, 15, 26, 12), Qt::AlignCenter, "QL50");
    return QIcon(pixmap);
}

void CHauptDialog::BindButtons() {
    OnCommand(kIdSetup, [this] { OnSetup(); });
    OnCommand(kIdMessung, [this] { OnMessungStarten(); });
    OnCommand(kIdSetupMessung, [this] { SetupRecording(); });
    OnCommand(kIdLoggerAuslesen, [this] { readout_.ReadLogger(); });
    OnCommand(kIdLoggerInfo, [this] { ShowLoggerInfo(session_, *this); });
    OnCommand(kIdUhrzeit, [this] { SetLoggerClock(session_, *this); });
    OnCommand(kIdLoggerLoeschen, [this] { ClearLogger(session_, *this); });
    OnScroll(kIdSpinner, [this](int pos) { OnVScroll(pos); });
    OnCommand(kIdKonfigurieren, [this] { config_.Configure(); });
    OnCommand(kIdKalibrieren, [this] {
        calibration_.Calibrate();
        care_.Calibrated(calibration_.lastRun());
    });
    OnCommand(kIdParametrieren, [this] { factory_.Parametrise(); });
    OnCommand(kIdVerlauf, [this] { ShowTrend(); });
    OnCommand(kIdKalibrierverlauf, [this] { care_.ShowHistory(); });
}

bool CHauptDialog::OnInitDialog() {
    settings = Settings{};
    measuring = false;
    CreateValueFont();
    std::string reason;
    unreadSettings_.reset();
    if (ReadSettingsFile(Path("config.ini").toStdString(), settings, &reason) ==
        SettingsRead::Unreadable) {
        unreadSettings_ = settings;
        ui::MessageBox(this, QString::fromUtf8("config.ini kann nicht gelesen werden: %1\n"
                                               "Es gelten die Voreinstellungen. Die Datei wird "
                                               "beim Beenden nur überschrieben, wenn "
                                               "Einstellungen geändert wurden.")
                                 .arg(QString::fromLocal8Bit(reason.c_str())));
    }
    if (!eventLogFile_.Create(Path("protokoll.txt").toStdString()))
        ReportFileError(QString::fromStdString(eventLogFile_.ErrorText()));
    ApplyLanguage();
    if (auto* spinner = ItemAs<ui::UpDownControl>(kIdSpinner)) spinner->SetRange(0, 255);
    UpdateData(false);
    return true;
}

void CHauptDialog::CreateValueFont() {
    // The value font's character cell is as high as the value field. Liberation Sans, like
    // Arial, has a cell of about 1.15 em.
    const int cell = Item(kIdValue1)->height();
    valueFont_ = QFont("Liberation Sans");
    valueFont_.setPixelSize(std::max(1, int(cell / 1.15 + 0.5)));
    valueFont_.setWeight(QFont::Medium);
    for (int i = 0; i < 6; ++i) Item(kIdValue1 + i)->setFont(valueFont_);
}

void CHauptDialog::DoDataExchange(ui::DataExchange& dx) {
    if (dx.Saving()) return;  // the window only shows its members
    for (int i = 0; i < 6; ++i) {
        QString text = Qs(valueTexts_[std::size_t(i)]);
        dx.Text(kIdValue1 + i, text);
    }
    QString summary = Qs(calSummary_);
    dx.Text(kIdCalSummary, summary);
    dx.Text(kIdRecordingLabel, recordingLabel_);
    // Status lines end in LF CR; the control shows them as plain line breaks.
    QString status = Qs(statusText()).remove(QLatin1Char('\r'));
    if (const QString due = care_.StatusLine(language()); !due.isEmpty()) status += '\n' + due;
    dx.Text(kIdStatus, status);
    int address = session_.address();
    dx.Number(kIdAddress, address);
}

void CHauptDialog::ApplyLanguage() {
    const int lang = language();
    ui::UseQtLanguage(lang);
    EnableItem(kIdParametrieren, settings.factoryMode != 0);
    struct Caption {
        int id;
        const char* text;
    };
    const Caption captions[] = {
        {kIdParametrieren, Tx(kTexte.parametrieren, lang)},
        {kIdExit, Tx(kTexte.beenden, lang)},
        {kIdKalibrieren, Tx(kTexte.kalibrieren, lang)},
        {kIdKonfigurieren, Tx(kTexte.konfigurieren, lang)},
        {kIdSetupMessung, Tx(kTexte.setupMessung, lang)},
        {kIdMessung, Tx(kTexte.messungStarten, lang)},
        {kIdAddressLabel, Tx(kTexte.geraeteadresse, lang)},
        {kIdLoggerAuslesen, Tx(kTexte.datenloggerAuslesen, lang)},
        {kIdLoggerInfo, Tx(kTexte.datenloggerInformation, lang)},
        {kIdUhrzeit, Tx(kTexte.uhrzeitStellen, lang)},
        {kIdLoggerLoeschen, Tx(kTexte.datenloggerLoeschen, lang)},
    };
    for (const Caption& c : captions) SetItemText(c.id, Qs(c.text));
    SetItemText(kIdVerlauf, TrendCaption(lang));
    SetItemText(kIdKalibrierverlauf, lang == 1 ? QStringLiteral("Calibration history")
                                               : QStringLiteral("Kalibrierverlauf"));
    if (trendWindow_) trendWindow_->ApplyLanguage();
    care_.ApplyLanguage();
    EnableItem(kIdMessung, false);
    statusText() = Tx(kTexte.keinFehler, lang);
}

void CHauptDialog::OnSetup() {
    const int lang = language();
    CSetupDialog dlg(Qs(Tx(kTexte.abbrechen, lang)), Qs(Tx(kTexte.sprache, lang)), this);
    dlg.portChoice = settings.portIndex;
    dlg.languageChoice = settings.language;
    for (int n = 1; n <= 4; ++n) dlg.portTexts[std::size_t(n - 1)] = PortText(n);
    // A search's assignment counts when Setup is confirmed.
    PortAssignments found;
    dlg.searchText = Qs(Tx(kMeldungen.suchen, lang));
    dlg.search = [&](int portNumber) -> std::optional<QString> {
        const std::optional<PortAssignment> a = SearchModule(portNumber, &dlg);
        if (!a) return std::nullopt;
        found[portNumber] = *a;
        return ql50::PortText(a->device, a->baud, lang);
    };
    if (dlg.DoModal() != ui::kIdOk) return;
    for (const auto& [portNumber, assignment] : found) AssignPort(portNumber, assignment);
    // With no port button checked (a port index from a hand-made file) the port stays.
    if (dlg.portChoice >= 0) settings.portIndex = std::int8_t(dlg.portChoice);
    if (dlg.languageChoice >= 0) settings.language = std::uint8_t(dlg.languageChoice);
    ApplyLanguage();
    UpdateData(false);
}

void CHauptDialog::OnVScroll(int position) {
    const int address = SpinnerAddress(position);
    session_.SetAddress(std::uint8_t(address));
    if (auto* spinner = ItemAs<ui::UpDownControl>(kIdSpinner)) spinner->SetPos(address);
    UpdateData(false);
}

void CHauptDialog::contextMenuEvent(QContextMenuEvent* event) {
    // The trend (also from its button), the about box and the calibration record are reached
    // from the window's own menu.
    QMenu menu(this);
    menu.addAction(TrendCaption(language()) + QStringLiteral("..."), this,
                   &CHauptDialog::ShowTrend);
    menu.addAction(QString::fromUtf8("Inf&o über QL50..."), this, &CHauptDialog::ShowAbout);
    menu.addAction(language() == 1 ? QStringLiteral("Show &calibration record")
                                   : QStringLiteral("&Kalibrierprotokoll anzeigen"),
                   this, [this] { calibration_.ShowRecord(); });
    menu.addAction(language() == 1 ? QStringLiteral("Calibration &history...")
                                   : QStringLiteral("Kalibrier&verlauf..."),
                   this, [this] { care_.ShowHistory(); });
    menu.exec(event->globalPos());
}

void CHauptDialog::ShowAbout() {
    CInfoDialog about(this);
    about.DoModal();
}

bool CHauptDialog::EnsurePortOpen() {
    QString failure;
    if (session_.Open(settings.portIndex, settings.baudRate, &failure) == Outcome::Done)
        return true;
    if (session_.openFailure() == OpenFailure::NoAccess)
        failure += QStringLiteral("\n\n") + Qs(Tx(kMeldungen.keineBerechtigung, language()));
    ui::MessageBox(this, failure);
    return false;
}

void CHauptDialog::OnPortError(const QString& text, bool channelClosed) {
    if (channelClosed && measuring && !lineLostAt_) {
        lineLostAt_ = QDateTime::currentDateTime();
        statusText() = (language() == 1 ? QStringLiteral("Line to the module lost at %1")
                                        : QStringLiteral("Verbindung zum Modul unterbrochen um %1"))
                           .arg(lineLostAt_->toString("HH:mm:ss"))
                           .toStdString();
        UpdateData(false);
    }
    ui::ErrorBox(nullptr, text, QStringLiteral("Application Error"));
}

// While measuring, a line that went away (an unplugged adapter) is opened again at every poll
// tick, without a message for each failed try; polling goes on by itself once it is back.
bool CHauptDialog::KeepLineOpen() {
    if (session_.IsOpen()) return true;
    if (session_.Open(settings.portIndex, settings.baudRate) != Outcome::Done) {
        ShowStale(true, false);
        return false;
    }
    if (lineLostAt_) {
        const QString lost = lineLostAt_->toString("HH:mm:ss");
        const QString back = QDateTime::currentDateTime().toString("HH:mm:ss");
        statusText() =
            (language() == 1 ? QStringLiteral("Line to the module lost at %1, back at %2")
                             : QStringLiteral("Verbindung zum Modul unterbrochen um %1, wieder "
                                              "da um %2"))
                .arg(lost, back)
                .toStdString();
        lineLostAt_.reset();
        // The values are given two poll periods from now to come again.
        measureStart_ = std::chrono::steady_clock::now();
        staleShown_ = false;
        for (int i = 0; i < 6; ++i) EnableItem(kIdValue1 + i, true);
        UpdateData(false);
    }
    return true;
}

// The end of a live chain: six fresh values for the value fields and the trend.
void CHauptDialog::OnLiveCycle() {
    valueTexts_ = LiveValueTexts(session_.module());
    FeedTrend();
}

void CHauptDialog::OnWatchdogNotice(const QByteArray& line) {
    // The status text shows the line with the next refresh of the window.
    statusText_ = line.toStdString();
    if (!eventLogFile_.Write(line.toStdString()))
        ReportFileError(QString::fromStdString(eventLogFile_.ErrorText()));
}

void CHauptDialog::ReportFileError(const QString& reason) {
    ui::MessageBox(this,
                   QString::fromUtf8("Die Datei kann nicht geschrieben werden:\n%1").arg(reason));
}

void CHauptDialog::ShowCalibrationSummary(const std::string& summary) {
    calSummary_ = summary;
    UpdateData(false);
}

void CHauptDialog::ReleaseRecordingFile(const std::string& fileName) {
    if (fileName != recordingFile.FileName()) return;
    recordingFile.Close();
    EnableItem(kIdMessung, false);
}

void CHauptDialog::OnCancel() {
    if (measuring) {
        ui::MessageBox(this, "Messung erst beenden!");
        return;
    }
    std::string error;
    const bool keepFile = unreadSettings_ && *unreadSettings_ == settings;
    if (!keepFile && !WriteSettingsFile(Path("config.ini").toStdString(), settings, &error)) {
        ui::MessageBox(this, QString::fromUtf8("Die Einstellungen wurden nicht gespeichert:\n%1")
                                 .arg(QString::fromStdString(error)));
    }
    recordingFile.Close();
    session_.Close();
    readout_.EndReadout();
    if (trendWindow_) trendWindow_->DestroyWindow();
    EndDialog(ui::kIdCancel);
    eventLogFile_.Close();
}

void CHauptDialog::OnClose() {
    if (measuring) {
        ui::MessageBox(this, "Messung erst beenden!");
        return;
    }
    session_.Close();
    readout_.EndReadout();
    OnCancel();
}

void CHauptDialog::OnTimer(int id) {
    switch (id) {
        case kTimerPoll:
            if (measuring) TrendTick();
            if (measuring && !KeepLineOpen()) break;
            if (measuring) ShowStale(!ValuesFresh(session_, measureStart_));
            PollTick(session_);
            break;
        case kTimerRecord:
            WriteRecordLine();
            break;
        default:
            break;
    }
}

}  // namespace ql50
