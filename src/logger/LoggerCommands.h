#pragma once
// The logger's one-shot procedures as the main window's buttons run them: its information, the
// module's clock and clearing it, with their dialogs and messages.
namespace ql50 {

class Session;
class LoggerHost;

// Reads the fill level, alarm, clock, interval and release and shows them as the status text.
void ShowLoggerInfo(Session& session, LoggerHost& host);
// Asks for a date and time (now by default) and sets the module's clock: time, then date.
void SetLoggerClock(Session& session, LoggerHost& host);
// Asks whether to clear the logger and clears it on "yes".
void ClearLogger(Session& session, LoggerHost& host);

}  // namespace ql50
