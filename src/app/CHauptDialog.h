#pragma once
// The main window: the hub of the program. It owns the conversation with the module, every file
// the program writes and the state of a live measurement; every other window is opened from one
// of its buttons.
#include <QDateTime>
#include <QFont>
#include <QIcon>
#include <QString>
#include <array>
#include <chrono>
#include <memory>
#include <optional>

#include "app/PortAssignments.h"
#include "calibration/CCalibration.h"
#include "calibration/CCalibrationCare.h"
#include "config/CDeviceConfiguration.h"
#include "factory/CFactoryParametrisation.h"
#include "formats/SettingsFile.h"
#include "formats/TextFile.h"
#include "logger/CLoggerReadout.h"
#include "operations/Discovery.h"
#include "operations/Session.h"
#include "trend/CTrendWindow.h"
#include "trend/TrendModel.h"
#include "ui/CDialog.h"

namespace ql50 {

// Control ids of the main window.
enum HauptId : int {
    kIdExit = 2,
    kIdSetup = 3,
    kIdMessung = 4,
    kIdValue1 = 1009,  // value fields 1009 .. 1014
    kIdKalibrieren = 1015,
    kIdCalSummary = 1016,
    kIdSetupMessung = 1020,
    kIdKonfigurieren = 1021,
    kIdParametrieren = 1022,
    kIdRecordingLabel = 1099,
    kIdStatus = 1100,
    kIdSpinner = 1120,
    kIdAddress = 1121,
    kIdLabel1 = 1123,  // channel labels 1123 .. 1128
    kIdUnit1 = 1129,   // channel units 1129 .. 1133
    kIdAddressLabel = 1134,
    kIdUhrzeit = 1171,
    kIdLoggerAuslesen = 1172,
    kIdLoggerInfo = 1174,
    kIdLoggerLoeschen = 1176,
    kIdVerlauf = 1190,
    kIdKalibrierverlauf = 1191,
};

// Timers of the main window.
// The logger read-out's watchdog (3) runs in the read-out itself.
enum HauptTimer : int { kTimerPoll = 1, kTimerRecord = 2 };
inline constexpr int kPollMs = 2000;

// Buttons that a running measurement disables and its stop enables again.
extern const std::array<int, 9> kIdleButtons;

// A spinner position as an address: 32 to 253 become 255 and 254 becomes 31, so the spinner
// offers the addresses 0 to 31 and 255.
int SpinnerAddress(int position);

class CHauptDialog : public ui::CDialog, private LoggerHost, private CalibrationHost {
    Q_OBJECT
public:
    // `workDir` holds config.ini and protokoll.txt (the working directory in normal use).
    explicit CHauptDialog(const QString& workDir = ".", QWidget* parent = nullptr);
    ~CHauptDialog() override;

    Session& session() { return session_; }
    const CLoggerReadout& readout() const { return readout_; }
    CDeviceConfiguration& configuration() { return config_; }
    CCalibration& calibration() { return calibration_; }
    CCalibrationCare& care() { return care_; }
    CFactoryParametrisation& factory() { return factory_; }
    static QIcon AppIcon();

    // Main-window state that the tests and the measurement set-up read and write.
    Settings settings;  // portIndex, baudRate, recording interval, language, factoryMode
    // Where the search for the module looks for serial devices.
    DeviceRoots deviceRoots;
    bool measuring = false;
    TextFile recordingFile;

    int language() const { return settings.language == 1 ? 1 : 0; }
    // The status box's text (Windows-1252, lines ended by LF CR).
    std::string& statusText() { return statusText_; }

    // The operations of the buttons.
    bool EnsurePortOpen() override;
    void ApplyLanguage();
    void OnSetup();
    // The search for the module (PortSearch.cpp): the device and rate the user assigned to COM
    // `portNumber`, or nothing. The line is closed first, so that the search may probe it too.
    std::optional<PortAssignment> SearchModule(int portNumber, QWidget* parent);
    void OnMessungStarten();
    void SetupRecording();
    // The about box (from the window's context menu).
    void ShowAbout();
    // The trend window (its button and the context menu); brought to the front when open.
    void ShowTrend();
    const TrendModel& trend() const { return trend_; }
    CTrendWindow* trendWindow() const { return trendWindow_.get(); }
    void WriteRecordLine();
    // Transfers members to controls.
    void Refresh() override { UpdateData(false); }

protected:
    bool OnInitDialog() override;
    void DoDataExchange(ui::DataExchange& dx) override;
    void OnTimer(int id) override;
    void OnCancel() override;
    void OnClose() override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // What the subsystems' procedures use of the window.
    QWidget* HostWindow() override { return this; }
    int Language() const override { return language(); }
    void CommunicationError() override;
    void ReportFileError(const QString& reason) override;
    void ReleaseRecordingFile(const std::string& fileName) override;
    void ShowStatus(const std::string& text) override { statusText_ = text; }
    void StartPolling() override { SetTimer(kTimerPoll, kPollMs); }
    std::string CalibrationRecordPath() const override {
        return Path(kCalibrationRecordFile).toStdString();
    }
    void StopPolling() override { KillTimer(kTimerPoll); }
    void ShowTypeLabels() override;
    QRect ValueRowArea() const override;
    void ClearValueDisplay() override;
    void ShowCalibrationSummary(const std::string& summary) override;

    void BindButtons();
    void CreateValueFont();
    void OnVScroll(int position);
    bool StartMeasurement();
    void StopMeasurement();
    void SetMeasuringButtons(bool measuringNow);
    // `sayWhy` false: the status text already says why (the line is gone).
    void ShowStale(bool stale, bool sayWhy = true);
    bool KeepLineOpen();
    void ReportRecordingError();
    void BeginTrendRun();
    void EndTrendRun();
    void FeedTrend();
    void TrendTick();
    void TrendChanged();
    void OnLiveCycle();
    void OnWatchdogNotice(const QByteArray& line);
    void OnPortError(const QString& text, bool channelClosed);
    QString Path(const QString& name) const;
    // COM n leads to the assigned device from now on, also at the next start.
    void AssignPort(int portNumber, const PortAssignment& assignment);
    // What COM n leads to, for Setup.
    QString PortText(int portNumber) const;

    Session session_;
    CLoggerReadout readout_{session_, *this};
    CDeviceConfiguration config_{session_, *this};
    CCalibration calibration_{session_, *this};
    CCalibrationCare care_{*this};
    CFactoryParametrisation factory_{session_, *this};
    std::array<std::string, 6> valueTexts_;  // the six value fields, Windows-1252
    std::string statusText_;
    TextFile eventLogFile_;
    QString recordingLabel_;
    std::string calSummary_;  // Windows-1252
    QString workDir_;
    QFont valueFont_;
    // config.ini could not be read: it is kept at exit unless the user changed a setting.
    std::optional<Settings> unreadSettings_;
    std::chrono::steady_clock::time_point measureStart_{};
    bool staleShown_ = false;
    std::optional<QDateTime> lineLostAt_;
    bool recordingErrorShown_ = false;
    bool startRunning_ = false;
    // The trend of the measurements; its window (made when first opened) goes before it.
    TrendModel trend_;
    std::unique_ptr<CTrendWindow> trendWindow_;
    std::optional<std::chrono::steady_clock::time_point> trendFedCycle_;   // last cycle in trend_
    std::optional<std::chrono::steady_clock::time_point> trendTickCycle_;  // last cycle at a tick
    bool trendTicked_ = false;  // a poll tick of this measurement has passed
};

}  // namespace ql50
