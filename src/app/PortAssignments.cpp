#include "app/PortAssignments.h"

#include <QSettings>

#include "link/LineRates.h"
#include "operations/Session.h"
#include "tables/Meldungen.h"
#include "tables/Texte.h"
#include "ui/QtText.h"

namespace ql50 {
namespace {

const QString kGroup = QStringLiteral("Ports");

QString PortKey(int portNumber) {
    return QStringLiteral("COM%1").arg(portNumber);
}

}  // namespace

PortAssignments ReadPortAssignments(const QString& settingsFile) {
    PortAssignments assignments;
    QSettings settings(settingsFile, QSettings::IniFormat);
    settings.beginGroup(kGroup);
    for (const QString& key : settings.childGroups()) {
        bool number = false;
        const int port = key.startsWith(QLatin1String("COM")) ? key.mid(3).toInt(&number) : 0;
        const std::string device =
            settings.value(key + QStringLiteral("/Device")).toString().toStdString();
        if (!number || port < 1 || port > 255 || device.empty()) continue;
        const int baud = settings.value(key + QStringLiteral("/Baud")).toInt();
        assignments[port] = {device, IsSupportedLineRate(baud) ? baud : 0};
    }
    return assignments;
}

void WritePortAssignment(const QString& settingsFile, int portNumber,
                         const PortAssignment& assignment) {
    QSettings settings(settingsFile, QSettings::IniFormat);
    settings.beginGroup(kGroup);
    settings.setValue(PortKey(portNumber) + QStringLiteral("/Device"),
                      QString::fromStdString(assignment.device));
    settings.setValue(PortKey(portNumber) + QStringLiteral("/Baud"), assignment.baud);
}

void ApplyPortAssignments(Session& session, const PortAssignments& assignments) {
    for (const auto& [port, assignment] : assignments)
        session.MapPort(port, assignment.device, assignment.baud);
}

QString PortText(const std::string& device, int baud, int language) {
    const QString path = QString::fromStdString(device);
    return baud > 0 ? Qs(Tx(kMeldungen.anschlussRate, language)).arg(path).arg(baud) : path;
}

}  // namespace ql50
