#pragma once
// One line and the modules on it. Every line runs on a thread of its own with its own event
// loop and its own Session, made on that thread, so a silent or unplugged module never delays
// another line. The modules of a bus line share the line's session: they are polled in turn,
// each at its own period, each with its own bus address and measurement type, and each
// module's values are copied out right after its cycle.
//
// Every poll cycle makes one reading: the values when the cycle completed, every channel empty
// when it did not (no reply, or the line is lost; a lost line is reopened at every period). A
// module that answers again after a gap of a minute or more gets that gap filled from its data
// logger (LoggerGaps.h); the gaps still to fill survive a restart in the store.
//
// Threading: made on the service's thread, then moved to the line's thread; Run and Stop are
// invoked there (queued). Its signals reach the service queued, in the order they were sent.
#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "acquire/Config.h"
#include "acquire/Payload.h"
#include "formats/LoggerRecords.h"
#include "operations/Outcome.h"
#include "store/Reading.h"
#include "store/Store.h"

namespace ql50 {
class Session;
class LoggerReadout;
}  // namespace ql50

namespace ql50::acquire {

// A module of the line with what the store remembers of it.
struct LineModule {
    ModuleConfig config;
    int type = -1;  // the last type it reported
    std::optional<std::int64_t> newestValuedMs;
    std::vector<store::Store::Gap> gaps;  // still to be filled from its logger
};

class LineWorker : public QObject {
    Q_OBJECT
public:
    LineWorker(std::string device, int baud, std::vector<LineModule> modules);
    ~LineWorker() override;

    // On the line's thread: makes the session and starts polling.
    void Run();
    // On the line's thread: ends a logger read-out under way, lets the exchange under way end
    // (at most one reply wait), then ends the thread's event loop.
    void Stop();

signals:
    // A reading; `polledNs` is the steady clock when its poll completed (0 for logger records).
    void readingMade(ql50::store::Reading reading, qint64 polledNs);
    void stateChanged(QString module, int state, qint64 sinceMs, QString detail);
    void gapOpened(QString module, qint64 fromMs, qint64 toMs);
    void gapClosed(QString module, qint64 fromMs, qint64 toMs);
    // A line for the service's log.
    void notice(QString text);

private:
    struct Polled {
        LineModule module;
        std::chrono::steady_clock::time_point due;
        bool typeRead = false;
        std::optional<LineState> state;
        int fillAttempts = 0;
    };

    void Tick();
    void Poll(Polled& p);
    bool EnsureOpen(QString* why);
    void Report(Polled& p, LineState state, std::int64_t nowMs, const QString& detail);
    void NoteValued(Polled& p, std::int64_t timeMs);
    void FillGaps(Polled& p);
    void CloseGaps(Polled& p, const std::vector<store::Store::Gap>& gaps);
    std::vector<LoggerRecord> ReadLogger(Outcome* outcome);

    std::string device_;
    int baud_;
    std::vector<Polled> modules_;
    std::unique_ptr<Session> session_;
    QTimer timer_;
    QString portError_;
    LoggerReadout* readout_ = nullptr;
    bool busy_ = false;
    bool stopping_ = false;
};

}  // namespace ql50::acquire

Q_DECLARE_METATYPE(ql50::store::Reading)
