#include "operations/LoggerReadout.h"

#include <QEventLoop>

#include "conversation/CConversation.h"

namespace ql50 {
namespace {
constexpr int kWatchdogMs = 3000;
}  // namespace

LoggerReadout::LoggerReadout(Session& session, QObject* parent)
    : QObject(parent), session_(session) {
    watchdog_.setInterval(kWatchdogMs);
    connect(&watchdog_, &QTimer::timeout, this, &LoggerReadout::OnWatchdog);
    connect(&session_, &Session::loggerFrame, this, &LoggerReadout::OnFrame);
    connect(&session_, &Session::portError, this, &LoggerReadout::OnPortError);
}

LoggerReadout::~LoggerReadout() {
    Stop();
}

Outcome LoggerReadout::Start() {
    Stop();
    CConversation& conv = session_.conversation();
    if (!conv.Ask(req::kLoggerLevel)) return session_.Unanswered();
    const unsigned byteCount = session_.module().loggerByteCount;
    if (byteCount < 3) return Outcome::Empty;
    emit started(int(byteCount / 2));
    assembler_.Reset();
    armed_ = false;
    step_ = seen_ = 1;
    expected_ = byteCount / kLoggerRecordSize;
    received_ = 0;
    lineLost_ = false;
    outcome_.reset();
    running_ = true;
    conv.SetStreaming(true);
    watchdog_.start();
    conv.Ask(req::kLoggerStream);
    if (running_) emit progress(step_);
    ++step_;
    return Outcome::Done;
}

void LoggerReadout::Stop() {
    watchdog_.stop();
    if (running_) session_.conversation().SetStreaming(false);
    running_ = false;
}

void LoggerReadout::Cancel() {
    if (running_) Finish(Outcome::Stopped);
}

void LoggerReadout::Finish(Outcome outcome) {
    Stop();
    outcome_ = outcome;
    emit finished(outcome);
}

Outcome LoggerReadout::WaitUntilFinished() {
    if (running_) {
        QEventLoop loop;
        connect(this, &LoggerReadout::finished, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return outcome_.value_or(Outcome::Stopped);
}

void LoggerReadout::OnFrame(const Frame& frame) {
    // Frames after the read-out has ended (a late module) are ignored.
    if (!running_) return;
    if (!armed_) {
        armed_ = true;
        return;
    }
    emit progress(step_);
    ++step_;
    const std::uint8_t d3 = frame[kPosD3];
    if (const auto whole = assembler_.Push(frame[kPosD2], d3)) {
        ++received_;
        emit record(*whole);
        if (!running_) return;
    }
    if (d3 == kLoggerEndMarker) emit bytePosition(LoggerBytePosition(frame[kPosD0], frame[kPosD1]));
}

void LoggerReadout::OnWatchdog() {
    if (step_ != seen_) {
        seen_ = step_;
        return;
    }
    if (received_ >= expected_) return Finish(Outcome::Done);
    Finish(lineLost_ ? Outcome::LineLost : Outcome::Short);
}

// The watchdog ends the read-out as for a module that fell silent, after the channel's own
// report of the lost line.
void LoggerReadout::OnPortError(const QString&, bool channelClosed) {
    if (running_ && channelClosed) lineLost_ = true;
}

// ---- the export file ---------------------------------------------------------------------

LoggerExport::LoggerExport(Session& session, QObject* parent) : QObject(parent), readout_(session) {
    connect(&readout_, &LoggerReadout::record, this, &LoggerExport::OnRecord);
    connect(&readout_, &LoggerReadout::finished, this, &LoggerExport::OnFinished);
}

Outcome LoggerExport::Start(const std::string& path) {
    Stop();
    written_ = 0;
    created_ = false;
    fileError_.clear();
    outcome_.reset();
    if (!file_.Create(path)) return Fail();
    created_ = true;
    if (!file_.Write(LoggerExportHeader())) return Fail();
    const Outcome started = readout_.Start();
    if (started != Outcome::Done) file_.Close();
    return started;
}

Outcome LoggerExport::Fail() {
    fileError_ = file_.ErrorText();
    file_.Close();
    return Outcome::FileError;
}

void LoggerExport::Stop() {
    readout_.Stop();
    file_.Close();
}

void LoggerExport::OnRecord(const LoggerRecord& record) {
    if (file_.Write(LoggerRecordLine(record))) {
        ++written_;
        return;
    }
    // Told once: the read-out ends, so nothing more goes to a file that fails.
    readout_.Stop();
    Fail();
    outcome_ = Outcome::FileError;
    emit finished(Outcome::FileError);
}

void LoggerExport::OnFinished(Outcome outcome) {
    file_.Close();
    outcome_ = outcome;
    emit finished(outcome);
}

Outcome LoggerExport::WaitUntilFinished() {
    if (Running()) {
        QEventLoop loop;
        connect(this, &LoggerExport::finished, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return outcome_.value_or(Outcome::Stopped);
}

}  // namespace ql50
