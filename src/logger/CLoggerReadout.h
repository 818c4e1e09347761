#pragma once
// The read-out of the module's data logger into an export file, as the main window's button
// "Datenlogger Auslesen" runs it: the file dialog, the transfer window while the stream runs
// (the window stays usable), and the messages. The read-out itself is LoggerExport.
#include <QObject>
#include <memory>
#include <string>

#include "formats/TextFile.h"
#include "operations/LoggerReadout.h"
#include "ui/ProcedureHost.h"

namespace ql50 {

class CUebertragung;
class Session;

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
    CLoggerReadout(Session& session, LoggerHost& host);
    ~CLoggerReadout() override;

    // Asks for the export file, then for the logger's size, and starts the stream.
    void ReadLogger();
    // Ends a running read-out: closes the export file and the transfer window.
    void EndReadout();
    unsigned writtenRecords() const { return export_.writtenRecords(); }

    bool Running() const { return export_.Running(); }
    const TextFile& exportFile() const { return export_.file(); }

private:
    void StartTransferWindow(int range);
    void OnFinished(Outcome outcome);
    void ReportExportError();

    LoggerHost& host_;
    LoggerExport export_;
    std::unique_ptr<CUebertragung> transferDialog_;
};

}  // namespace ql50
