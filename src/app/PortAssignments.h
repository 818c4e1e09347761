#pragma once
// What a port search assigned to the COM numbers: a device and the rate its module answered
// at. The assignments are the user's own settings (ui::UserSettingsFile()), never config.ini,
// whose bytes stay as the program has always written them; the main window gives them to its
// session when it is made, and the command line's --port overrides them.
#include <QString>
#include <map>
#include <string>

namespace ql50 {

class Session;

struct PortAssignment {
    std::string device;  // a device path, the by-id link of a USB adapter where it has one
    int baud = 0;        // 0: the rate of config.ini
    bool operator==(const PortAssignment&) const = default;
};
using PortAssignments = std::map<int, PortAssignment>;  // COM number -> assignment

// The assignments kept in a settings file (QSettings, IniFormat). Entries that cannot be used
// (no device, a COM number outside 1 to 255) are left out; a rate the line cannot be set to
// counts as none.
PortAssignments ReadPortAssignments(const QString& settingsFile);
void WritePortAssignment(const QString& settingsFile, int portNumber,
                         const PortAssignment& assignment);
// COM n leads to its assigned device, at its assigned rate.
void ApplyPortAssignments(Session& session, const PortAssignments& assignments);
// What a COM number leads to, as Setup shows it: the device, with the rate when it has one
// ("/dev/ttyUSB0, 9600 Baud").
QString PortText(const std::string& device, int baud, int language);

}  // namespace ql50
