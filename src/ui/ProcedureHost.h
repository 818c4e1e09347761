#pragma once
// What a procedure of a subsystem (the logger read-out, the calibration, the configuration,
// the factory parametrisation) needs of the window that owns it, besides the conversation with
// the module. The main window implements it; a procedure never reaches into the window itself.
#include <QString>
#include <string>

class QWidget;

namespace ql50::ui {

class ProcedureHost {
public:
    virtual ~ProcedureHost() = default;
    // The owner of the procedure's dialogs and message boxes.
    virtual QWidget* HostWindow() = 0;
    // The user-interface language: 0 German, 1 English.
    virtual int Language() const = 0;
    // Opens the serial channel unless it is open; tells the user when it cannot be opened.
    virtual bool EnsurePortOpen() = 0;
    // "Fehler in der Datenkommunikation!" in the user's language.
    virtual void CommunicationError() = 0;
    // A file could not be created or written; `reason` names it and the system's reason.
    virtual void ReportFileError(const QString& reason) = 0;
    // Shows the window's state (values, status text, address) in its controls.
    virtual void Refresh() = 0;
    // Sets the status text of the window (Windows-1252, lines ended by LF CR); Refresh shows it.
    virtual void ShowStatus(const std::string& text) = 0;
};

}  // namespace ql50::ui
