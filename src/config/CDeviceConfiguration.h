#pragma once
// The main window's button "Konfigurieren": reads the module's configuration in one block, lets
// the user edit it in CKonfiguration, and writes every field back in one block (the blocks are
// ReadConfiguration and WriteConfiguration of the operations).
#include <QString>

#include "config/CKonfiguration.h"
#include "operations/ConfigOps.h"

namespace ql50 {

class CUebertragung;
class Session;
namespace ui {
class ProcedureHost;
}

// A number as the C library reads the leading part of a text: blanks skipped, the longest
// leading part that forms a decimal number used, 0 when there is none. Never locale-dependent.
double LeadingNumber(const QString& text);

// What the write block sends for the dialog's fields.
ConfigurationBlock BlockFromDialog(const CKonfiguration& dialog);

class CDeviceConfiguration {
public:
    CDeviceConfiguration(Session& session, ui::ProcedureHost& host);

    // The handler of the main window's button "Konfigurieren".
    void Configure();

    CKonfiguration& dialog() { return dialog_; }

private:
    void FillDialog();
    void PrepareDialog();
    void OpenProgress(CUebertragung& progress);

    Session& session_;
    ui::ProcedureHost& host_;
    CKonfiguration dialog_;
};

}  // namespace ql50
