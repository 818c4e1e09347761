#pragma once
// The read-out of the module's data logger. One request asks for the fill level; if the logger
// holds records, a second request starts a stream of register-54 frames, two record bytes each,
// that arrive while the caller's thread goes on serving events. The read-out ends when no frame
// has come for one period of its watchdog (3 s), also when the line went away.
//
// LoggerExport writes the records into the program's export file.
#include <QObject>
#include <QTimer>
#include <optional>
#include <string>

#include "formats/LoggerRecords.h"
#include "formats/TextFile.h"
#include "operations/Session.h"

namespace ql50 {

class LoggerReadout : public QObject {
    Q_OBJECT
public:
    explicit LoggerReadout(Session& session, QObject* parent = nullptr);
    ~LoggerReadout() override;

    // Reads the fill level and starts the stream: Done when it started (finished follows, it
    // may come before Start returns), Empty, NoReply or LineLost (then nothing runs).
    Outcome Start();
    // Ends a running read-out at once; finished is not emitted.
    void Stop();
    // Ends a running read-out at once with finished(Stopped).
    void Cancel();
    bool Running() const { return running_; }
    // Records the fill level announced, and records received whole so far.
    unsigned expectedRecords() const { return expected_; }
    unsigned receivedRecords() const { return received_; }
    // Serves the calling thread's events until the read-out has finished; its outcome.
    Outcome WaitUntilFinished();

signals:
    // The stream is about to be requested; the progress runs from 1 to about `range`.
    void started(int range);
    // One more frame of the stream arrived.
    void progress(int position);
    // A whole record arrived (a broken one is dropped). The receiver may Stop the read-out.
    void record(const ql50::LoggerRecord& record);
    // The module's running byte position, at the end of each record.
    void bytePosition(unsigned position);
    // Done: every announced record arrived; Short or LineLost: fewer did.
    void finished(ql50::Outcome outcome);

private:
    void OnFrame(const Frame& frame);
    void OnWatchdog();
    void OnPortError(const QString& text, bool channelClosed);
    void Finish(Outcome outcome);

    Session& session_;
    LoggerRecordAssembler assembler_;
    QTimer watchdog_;
    int step_ = 0;
    int seen_ = 0;
    unsigned expected_ = 0;
    unsigned received_ = 0;
    // The module answers the stream request once before it streams: that frame has no record.
    bool armed_ = false;
    bool running_ = false;
    bool lineLost_ = false;
    std::optional<Outcome> outcome_;
};

// The read-out into an export file: its header, then one line per whole record. A file that
// cannot be written ends the read-out at once.
class LoggerExport : public QObject {
    Q_OBJECT
public:
    explicit LoggerExport(Session& session, QObject* parent = nullptr);

    // Creates the file and writes its header (FileError: see created() and fileError()), then
    // starts the read-out as LoggerReadout::Start does.
    Outcome Start(const std::string& path);
    // Ends a running read-out and closes the file.
    void Stop();
    // The same, with finished(Stopped).
    void Cancel() { readout_.Cancel(); }
    bool Running() const { return readout_.Running(); }
    LoggerReadout& readout() { return readout_; }
    const LoggerReadout& readout() const { return readout_; }
    const TextFile& file() const { return file_; }
    // The file was created (a failure came later, with the header or a record line).
    bool created() const { return created_; }
    const std::string& fileError() const { return fileError_; }
    unsigned writtenRecords() const { return written_; }
    unsigned expectedRecords() const { return readout_.expectedRecords(); }
    Outcome WaitUntilFinished();

signals:
    // Done, Short, LineLost, or FileError when a record line could not be written.
    void finished(ql50::Outcome outcome);

private:
    void OnRecord(const LoggerRecord& record);
    void OnFinished(Outcome outcome);
    Outcome Fail();

    LoggerReadout readout_;
    TextFile file_;
    std::string fileError_;
    unsigned written_ = 0;
    bool created_ = false;
    std::optional<Outcome> outcome_;
};

}  // namespace ql50
