#pragma once
// SIGINT and SIGTERM as a Qt signal: the handler only writes one byte into a pipe (the
// self-pipe), and a socket notifier on the pipe's other end reports the stop on the event loop,
// where the work is done. One instance per process.
#include <QObject>
#include <QSocketNotifier>
#include <memory>

namespace ql50::cli {

class StopSignals : public QObject {
    Q_OBJECT
public:
    StopSignals();
    ~StopSignals() override;

    bool Requested() const { return requested_; }

signals:
    void stopRequested();

private:
    void OnPipeReadable();

    std::unique_ptr<QSocketNotifier> notifier_;
    bool requested_ = false;
};

}  // namespace ql50::cli
