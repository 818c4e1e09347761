#pragma once
// The read-out of the module's data logger into an export file. One request starts a stream of
// register-54 frames that arrive while the window stays usable; the read-out ends when no frame
// has come for one period of its watchdog timer (3 s).
#include <QObject>
#include <QTimer>
#include <memory>
#include <string>

#include "formats/LoggerRecords.h"
#include "formats/TextFile.h"
#include "link/Frame.h"
#include "ui/ProcedureHost.h"

namespace ql50 {

class CConversation;
class CUebertragung;

// What the read-out needs of its window beyond any procedure's needs.
class LoggerHost : public virtual ui::ProcedureHost {
public:
    // The export goes to a file of this name: a recording into a file of the same name stops
    // (the file is closed and the measurement cannot start until a new file is chosen).
    virtual void ReleaseRecordingFile(const std::string& fileName) = 0;
};

class CLoggerReadout : public QObject {
    Q_OBJECT
public:
    CLoggerReadout(CConversation& conversation, LoggerHost& host);
    ~CLoggerReadout() override;

    // Asks for the export file, then for the logger's size, and starts the stream.
    void ReadLogger();
    // Ends a running read-out: closes the export file and the transfer window.
    void EndReadout();
    unsigned writtenRecords() const { return writtenRecords_; }

    bool Running() const { return running_; }
    const TextFile& exportFile() const { return exportFile_; }

private:
    void OnLoggerFrame(const Frame& frame);
    void OnWatchdog();
    void StartTransferWindow(int range);
    void ReportExportError();
    void ReportShortReadout();

    CConversation& conv_;
    LoggerHost& host_;
    TextFile exportFile_;
    LoggerRecordAssembler recordBuffer_;
    std::unique_ptr<CUebertragung> transferDialog_;
    QTimer watchdog_;
    int progressStep_ = 0;
    unsigned expectedRecords_ = 0;  // as the logger's fill level announced
    unsigned writtenRecords_ = 0;
    int progressSeen_ = 0;
    // The module answers the request once before it streams: that frame carries no record.
    bool readoutArmed_ = false;
    bool running_ = false;
    bool exportErrorShown_ = false;
};

}  // namespace ql50
