#pragma once
// Reads the module's configuration in one block, lets the user edit it in CKonfiguration, and
// writes every field back in one block. Both blocks are framed by the configuration-begin and
// configuration-end commands; the write block ends with the end-of-writes command and a write
// of the alarm register before the end command.
#include <QString>

#include "config/CKonfiguration.h"
#include "link/Frame.h"

namespace ql50 {

class CConversation;
class CUebertragung;
namespace ui {
class ProcedureHost;
}

// The four data bytes that all commands of a write block share: each command sets only the
// bytes it defines and carries the rest over from the command before it.
class CommandBuffer {
public:
    const DataBytes& Set(const DataBytes& all) { return data_ = all; }
    const DataBytes& SetD0(std::uint8_t d0) {
        data_[0] = d0;
        return data_;
    }
    const DataBytes& Carried() const { return data_; }

private:
    DataBytes data_{};
};

// A number as the C library reads the leading part of a text: blanks skipped, the longest
// leading part that forms a decimal number used, 0 when there is none. Never locale-dependent.
double LeadingNumber(const QString& text);

class CDeviceConfiguration {
public:
    CDeviceConfiguration(CConversation& conversation, ui::ProcedureHost& host);

    // The handler of the main window's button "Konfigurieren".
    void Configure();

    CKonfiguration& dialog() { return dialog_; }

private:
    bool ReadBlock(CUebertragung& progress);
    void PrepareDialog();
    void WriteBlock(CUebertragung& progress);
    void OpenProgress(CUebertragung& progress);

    CConversation& conv_;
    ui::ProcedureHost& host_;
    CKonfiguration dialog_;
};

}  // namespace ql50
