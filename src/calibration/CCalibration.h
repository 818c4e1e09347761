#pragma once
// The guided calibration of the sensor on the module. It asks the module for its type and
// calibration values, leads the user through the steps of that type with message boxes and the
// calibration dialogs while the live poll keeps the values fresh, computes the new values on
// the PC, shows them with the acceptance verdict, and writes them into the module only when the
// user chooses "Speichern".
#include <QRect>
#include <array>
#include <optional>
#include <string>

#include "care/CalibrationRecord.h"
#include "operations/CalibrationOps.h"
#include "tables/Texte.h"
#include "ui/ProcedureHost.h"

namespace ql50 {

class Session;
class CKalWertEingabe;
class CKalWertAusgabe;
enum class CalibrationBranch;

// What the calibration needs of its window beyond any procedure's needs.
class CalibrationHost : public virtual ui::ProcedureHost {
public:
    // The live poll of the window (every 2 s), which keeps the module data's live values fresh
    // while the user follows the prompts.
    virtual void StartPolling() = 0;
    virtual void StopPolling() = 0;
    // The channel captions and units of the module's type.
    virtual void ShowTypeLabels() = 0;
    // Waits a second (serving events), then empties the six value fields.
    virtual void ClearValueDisplay() = 0;
    // Shows the calibration summary line (Windows-1252).
    virtual void ShowCalibrationSummary(const std::string& summary) = 0;
    // Where the calibration record is kept (kalibrierung.txt in the working folder).
    virtual std::string CalibrationRecordPath() const = 0;
    // Where the live values are on screen (global coordinates): the prompts open clear of them,
    // as the user has to watch them while following the prompts.
    virtual QRect ValueRowArea() const = 0;
};

class CCalibration {
public:
    CCalibration(Session& session, CalibrationHost& host);

    // The handler of the main window's button "Kalibrieren".
    void Calibrate();
    // Writes calibration values 1 to 4 and the air-pressure factor, ends the write series and
    // has the module confirm them; true when it did.
    bool StoreCalibration();
    // Shows the calibration record in a window ("Kalibrierprotokoll anzeigen").
    void ShowRecord();
    // The last run as it went into the record: the module's device number, address and type.
    const CalibrationRecordEntry& lastRun() const { return record_; }

private:
    struct Run;
    void Branch(Run& run);
    void CalibratePh(Run& run);
    void CalibrateRedox(Run& run);
    void CalibrateConductivity(Run& run);
    void CalibrateOxygen(Run& run);
    void CalibrateSalinity(Run& run);
    void CalibrateAirPressure(Run& run);
    void CalibrateOxygenSlope(Run& run);
    void Finish();
    // Appends the run to the calibration record; a failure is told once and changes nothing
    // else.
    void Record(CalibrationOutcome outcome);

    void Message(const char* text);
    void SensorPrompt(const char* immerse);
    float Enter(Run& run, const char* prompt, const QString& unit,
                std::optional<float> start = std::nullopt);
    void Refuse();
    void Warn();
    // Shows the result dialog and stores on "Speichern"; true when the user chose to store.
    bool Offer(Run& run, CalibrationBranch branch, float entered = 0);
    QString ChannelUnit() const;
    // The module data with the values this run holds (computed, maybe not stored).
    CModulDaten Held() const;
    // A text of the text table in the user's language.
    template <std::size_t W>
    const char* T(const std::array<std::array<char, W>, 2>& pair) const {
        return Tx(pair, host_.Language());
    }

    Session& session_;
    CalibrationHost& host_;
    CalibrationSet held_;            // the values of this run: read, then computed, maybe stored
    CalibrationRecordEntry record_;  // the run under way
    bool warned_ = false;
    bool recordErrorShown_ = false;
};

}  // namespace ql50
