#include "factory/CFactoryParametrisation.h"

#include "operations/FactoryOps.h"
#include "ui/MessageBox.h"
#include "ui/ProcedureHost.h"

namespace ql50 {

CFactoryParametrisation::CFactoryParametrisation(Session& session, ui::ProcedureHost& host)
    : session_(session), host_(host), dialog_(session, host) {}

// The texts of the factory parametrisation are German only.
void CFactoryParametrisation::Message(const char* text) {
    ui::MessageBox(host_.HostWindow(), QString::fromUtf8(text));
}

// The type goes to the module, which then takes its parametrisation commands; the closing write
// of the type is sent even when the start got no reply, so the module leaves that mode.
void CFactoryParametrisation::Parametrise() {
    host_.EnsurePortOpen();
    Message("Setzen Sie das Gerät in den Parametriermodus!");
    CMessTypAuswahl choice(host_.HostWindow());
    if (choice.DoModal() != ui::kIdOk) return;
    const int type = choice.typeChoice;
    if (EnterParametrisation(session_, type) == Outcome::Done) {
        dialog_.DoModal();
    } else {
        Message("Fehler in der Datenkommunikation!");
    }
    if (LeaveParametrisation(session_, type) != Outcome::Done)
        return Message("Fehler in der Datenkommunikation!\nParametrierung nicht abgeschlossen!");
    Message("Parametrieren korrekt beendet!");
    EndParametrisation(session_, type);
}

}  // namespace ql50
