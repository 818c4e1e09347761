#include "factory/CFactoryParametrisation.h"

#include "conversation/CConversation.h"
#include "ui/MessageBox.h"
#include "ui/ProcedureHost.h"

namespace ql50 {

CFactoryParametrisation::CFactoryParametrisation(CConversation& conversation,
                                                 ui::ProcedureHost& host)
    : conv_(conversation), host_(host), dialog_(conversation, host) {}

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
    conv_.modul.moduleType = static_cast<std::uint8_t>(choice.typeChoice);
    const DataBytes type{static_cast<std::uint8_t>(choice.typeChoice + 1), 0, 0, 0};
    // Without a reply to the type the second wait has no request of its own and runs out.
    if (conv_.Ask(req::kWriteType, type)) conv_.Send(req::kSelectType, type);
    if (conv_.WaitForReply() != 0) {
        dialog_.DoModal();
    } else {
        Message("Fehler in der Datenkommunikation!");
    }
    if (!conv_.Ask(req::kWriteType, type))
        return Message("Fehler in der Datenkommunikation!\nParametrierung nicht abgeschlossen!");
    Message("Parametrieren korrekt beendet!");
    conv_.Ask(req::kEndOfWrites, type);
}

}  // namespace ql50
