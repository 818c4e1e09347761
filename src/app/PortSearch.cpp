// The main window's part in finding the module: the search from Setup or from the message that
// the module does not answer, and the assignment of what it found to a COM number.
#include "app/CHauptDialog.h"
#include "app/CModulSuche.h"
#include "tables/Meldungen.h"
#include "tables/Texte.h"
#include "ui/MessageBox.h"
#include "ui/QtText.h"
#include "ui/UserSettings.h"

namespace ql50 {
namespace {

// The id of the message box's button that starts the search.
constexpr int kIdSuchen = 3;

}  // namespace

// The message says what the program has always said; the search is offered below it, and runs
// once the operation that could not reach the module has ended.
void CHauptDialog::CommunicationError() {
    const int lang = language();
    if (ui::ChoiceBox(this, Qs(Tx(kTexte.fehlerDatenkommunikation, lang)),
                      Qs(Tx(kMeldungen.sucheAnbieten, lang)), Qs(Tx(kMeldungen.suchen, lang)),
                      kIdSuchen) != kIdSuchen)
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            const int portNumber = settings.portIndex + 1;
            if (const auto a = SearchModule(portNumber, this)) AssignPort(portNumber, *a);
        },
        Qt::QueuedConnection);
}

std::optional<PortAssignment> CHauptDialog::SearchModule(int portNumber, QWidget* parent) {
    // A measurement or a logger stream needs the line as it is.
    if (measuring || readout_.Running()) return std::nullopt;
    // The program's own line would be held against the search: it is opened again, on what
    // COM n leads to then, by the next operation.
    session_.Close();
    CModulSuche search(language(), portNumber, deviceRoots, parent);
    if (search.DoModal() != ui::kIdOk || !search.chosen) return std::nullopt;
    return PortAssignment{search.chosen->port.StablePath(), search.chosen->baud};
}

void CHauptDialog::AssignPort(int portNumber, const PortAssignment& assignment) {
    session_.Close();
    session_.MapPort(portNumber, assignment.device, assignment.baud);
    WritePortAssignment(ui::UserSettingsFile(), portNumber, assignment);
}

QString CHauptDialog::PortText(int portNumber) const {
    return ql50::PortText(session_.DeviceForPort(portNumber), session_.RateForPort(portNumber),
                          language());
}

}  // namespace ql50
