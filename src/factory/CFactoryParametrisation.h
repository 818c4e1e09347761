#pragma once
// The factory parametrisation of a module in production: the module is told the measurement
// type it is to get, the factory dialog adjusts its inputs and programs its device code, and
// the type is written once more to close the run.
#include "factory/CParametrieren.h"

namespace ql50 {

class Session;
namespace ui {
class ProcedureHost;
}

class CFactoryParametrisation {
public:
    CFactoryParametrisation(Session& session, ui::ProcedureHost& host);

    // The handler of the main window's button "Parametrieren".
    void Parametrise();

    // Held for the program's run, so its members keep their values between runs.
    CParametrieren& dialog() { return dialog_; }

private:
    void Message(const char* text);

    Session& session_;
    ui::ProcedureHost& host_;
    CParametrieren dialog_;
};

}  // namespace ql50
