#pragma once
// The logger's one-shot procedures: its information, the module's clock and clearing it.
// Each runs on the user-interface thread, one request at a time, while the window stays usable.
namespace ql50 {

class CConversation;
namespace ui {
class ProcedureHost;
}

// Reads the fill level, alarm, clock, interval and release and shows them as the status text.
void ShowLoggerInfo(CConversation& conversation, ui::ProcedureHost& host);
// Asks for a date and time (now by default) and sets the module's clock: time, then date.
void SetLoggerClock(CConversation& conversation, ui::ProcedureHost& host);
// Asks whether to clear the logger and clears it on "yes".
void ClearLogger(CConversation& conversation, ui::ProcedureHost& host);

}  // namespace ql50
