#include "app/CModulSuche.h"

#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QTimer>

#include "tables/Meldungen.h"
#include "tables/MessTypen.h"
#include "tables/Texte.h"
#include "ui/QtText.h"

namespace ql50 {
namespace {

using ui::Ctl;

// Template 161: what the search does now, its progress, the modules found, and the devices it
// could not probe with the reason.
constexpr ui::ControlTemplate kControls[] = {
    {CModulSuche::kIdStatus, Ctl::Static, "", 7, 7, 306, 8},
    {CModulSuche::kIdProgress, Ctl::Progress, "", 7, 18, 306, 9},
    {CModulSuche::kIdList, Ctl::ListBox, "", 7, 32, 306, 56},
    {CModulSuche::kIdNotes, Ctl::Static, "", 7, 93, 306, 64},
    {ui::kIdOk, Ctl::DefButton, "COM1 zuordnen", 187, 162, 60, 14, ui::kDisabled},
    {ui::kIdCancel, Ctl::Button, "Abbrechen", 253, 162, 60, 14},
};
constexpr ui::DialogTemplate kTemplate{161, "Modul suchen", 320, 183, "MS Sans Serif",
                                       8,   kControls};

}  // namespace

CModulSuche::CModulSuche(int language, int portNumber, DeviceRoots roots, QWidget* parent)
    : ui::CDialog(kTemplate, parent),
      language_(language),
      portNumber_(portNumber),
      roots_(std::move(roots)) {}

bool CModulSuche::OnInitDialog() {
    SetCaption(Qs(Tx(kMeldungen.modulSuchen, language_)));
    SetItemText(ui::kIdOk, Qs(Tx(kMeldungen.zuordnen, language_)).arg(portNumber_));
    SetItemText(ui::kIdCancel, Qs(Tx(kTexte.abbrechen, language_)));
    // The command that grants the permission can be copied from the notes.
    if (auto* notes = ItemAs<QLabel>(kIdNotes))
        notes->setTextInteractionFlags(Qt::TextSelectableByMouse);
    if (auto* list = ItemAs<QListWidget>(kIdList)) {
        connect(list, &QListWidget::currentRowChanged, this,
                [this](int row) { EnableItem(ui::kIdOk, row >= 0 && !searching_); });
        connect(list, &QListWidget::itemDoubleClicked, this, [this] { OnOK(); });
    }
    // The search starts once the window shows; its waits keep the window usable.
    QTimer::singleShot(0, this, &CModulSuche::RunSearch);
    return ui::CDialog::OnInitDialog();
}

void CModulSuche::RunSearch() {
    searching_ = true;
    cancel_ = false;
    const std::vector<SerialDevice> devices = ListSerialDevices(roots_);
    result_ = ScanPorts(devices, {}, [this](const ScanStep& step) { return ShowStep(step); });
    searching_ = false;
    if (auto* bar = ItemAs<QProgressBar>(kIdProgress)) bar->setValue(bar->maximum());
    ShowEnd();
}

bool CModulSuche::ShowStep(const ScanStep& step) {
    SetItemText(kIdStatus, Qs(Tx(kMeldungen.sucheLaeuft, language_))
                               .arg(QString::fromStdString(step.port->path))
                               .arg(step.baud));
    if (auto* bar = ItemAs<QProgressBar>(kIdProgress)) {
        bar->setRange(0, step.total);
        bar->setValue(step.done);
    }
    ShowFound(step.sofar->modules);
    return !cancel_ && IsOpen();
}

void CModulSuche::ShowFound(const std::vector<FoundModule>& modules) {
    auto* list = ItemAs<QListWidget>(kIdList);
    if (list == nullptr) return;
    for (std::size_t i = std::size_t(list->count()); i < modules.size(); ++i) {
        const FoundModule& m = modules[i];
        const QString type =
            m.type < 0 ? Qs(Tx(kMeldungen.unbekannterTyp, language_))
                       : Qs(kMessTypen[std::size_t(m.type)].name[language_ == 1 ? 1 : 0].data());
        QString line = Qs(Tx(kMeldungen.fundZeile, language_))
                           .arg(QString::fromStdString(m.port.path))
                           .arg(m.baud)
                           .arg(m.address)
                           .arg(type);
        if (const std::string adapter = m.port.Description(); !adapter.empty())
            line += QStringLiteral("   ") + QString::fromStdString(adapter);
        list->addItem(line);
    }
}

// The outcome in the status line, the first module chosen, and what could not be probed.
void CModulSuche::ShowEnd() {
    const auto& modules = result_.modules;
    ShowFound(modules);
    QString status;
    if (result_.cancelled)
        status = Qs(Tx(kMeldungen.sucheAbgebrochen, language_));
    else if (modules.empty())
        status = Qs(Tx(kMeldungen.keinModulGefunden, language_));
    else
        status = Qs(Tx(kMeldungen.modulGefunden, language_))
                     .arg(qsizetype(modules.size()))
                     .arg(portNumber_);
    SetItemText(kIdStatus, status);
    auto* list = ItemAs<QListWidget>(kIdList);
    if (list != nullptr && list->count() > 0 && list->currentRow() < 0) list->setCurrentRow(0);
    EnableItem(ui::kIdOk, list != nullptr && list->currentRow() >= 0);
    QStringList notes;
    bool noAccess = false;
    for (const SkippedDevice& s : result_.skipped) {
        const QString device = QString::fromStdString(s.port.path);
        if (s.failure == OpenFailure::InUse)
            notes << Qs(Tx(kMeldungen.anschlussBelegt, language_)).arg(device);
        else
            notes << Qs(Tx(kMeldungen.anschlussFehler, language_))
                         .arg(device, QString::fromLocal8Bit(s.reason.c_str()));
        noAccess = noAccess || s.failure == OpenFailure::NoAccess;
    }
    if (noAccess) notes << Qs(Tx(kMeldungen.keineBerechtigung, language_));
    SetItemText(kIdNotes, notes.join(QLatin1Char('\n')));
}

void CModulSuche::OnOK() {
    const auto* list = ItemAs<QListWidget>(kIdList);
    const int row = list != nullptr ? list->currentRow() : -1;
    if (searching_ || row < 0 || std::size_t(row) >= result_.modules.size()) return;
    chosen = result_.modules[std::size_t(row)];
    EndDialog(ui::kIdOk);
}

void CModulSuche::OnCancel() {
    if (searching_) {
        cancel_ = true;
        return;
    }
    ui::CDialog::OnCancel();
}

}  // namespace ql50
