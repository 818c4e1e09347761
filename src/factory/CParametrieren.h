#pragma once
// The factory dialog: adjusts the module's analogue inputs against reference values, programs
// its device code and composting flag, shows the stored parameters as a report and prints it.
// It talks to the module through the conversation and the window that owns the procedure; its
// members keep their values from one opening to the next.
#include <QString>
#include <cstdint>
#include <optional>

#include "factory/FactoryDialogs.h"
#include "ui/CDialog.h"

namespace ql50 {

class Session;
class CUebertragung;
namespace ui {
class ProcedureHost;
}

class CParametrieren : public ui::CDialog {
    Q_OBJECT
public:
    enum Id : int {
        kIdTemp0 = 1024,
        kIdTemp100 = 1025,
        kIdInputHigh = 1028,
        kIdBattery = 1030,
        kIdInputOpen = 1041,
        kIdDeviceNumber = 1042,
        kIdProgram = 1047,
        kIdReport = 1159,
        kIdRefresh = 1160,
        kIdPrint = 1169,
        kIdComposting = 1181,
    };

    CParametrieren(Session& session, ui::ProcedureHost& host);

    // One adjustment button: the raw reading it shows, the timer that keeps that fresh, and
    // the parameter register the confirmed reading goes to.
    struct Adjustment;

    CMesswertAusgabe valueWindow;
    QString parameterText;  // lines end in LF CR
    QString deviceNumber;
    int compostingFlag = 0;

    void RefreshParameters();
    void ProgramDeviceNumber();
    void PrintParameters();

protected:
    bool OnInitDialog() override;
    void DoDataExchange(ui::DataExchange& dx) override;
    void OnTimer(int id) override;

private:
    void AdjustInput(const Adjustment& adjustment);
    void OnAdjustTimer(const Adjustment& adjustment);
    void Message(const char* text);
    QWidget* Owner();

    Session& session_;
    ui::ProcedureHost& host_;
    // The reading the value window showed last during the running adjustment.
    std::optional<std::uint16_t> shownReading_;
};

}  // namespace ql50
