#include "acquire/LineWorker.h"

#include <QThread>
#include <algorithm>

#include "acquire/Channels.h"
#include "acquire/LoggerGaps.h"
#include "operations/LiveOps.h"
#include "operations/LoggerOps.h"
#include "operations/LoggerReadout.h"
#include "operations/Session.h"

namespace ql50::acquire {
namespace {

// The session knows lines as COM ports: the line's device is mapped to COM 1.
constexpr int kPortNumber = 1;
// A logger that cannot be read this often in a row is left alone until the next gap.
constexpr int kFillAttempts = 3;

std::int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

QString Name(const LineModule& m) {
    return QString::fromStdString(m.config.name);
}

}  // namespace

LineWorker::LineWorker(std::string device, int baud, std::vector<LineModule> modules)
    : device_(std::move(device)), baud_(baud), timer_(this) {
    for (LineModule& m : modules) modules_.push_back(Polled{std::move(m), {}, false, {}, 0});
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &LineWorker::Tick);
}

LineWorker::~LineWorker() = default;

void LineWorker::Run() {
    session_ = std::make_unique<Session>();
    session_->MapPort(kPortNumber, device_);
    connect(session_.get(), &Session::portError, this,
            [this](const QString& text, bool) { portError_ = text; });
    // Gaps a stopped service left open are filled once the module answers.
    for (Polled& p : modules_) p.due = std::chrono::steady_clock::now();
    Tick();
}

void LineWorker::Stop() {
    stopping_ = true;
    if (readout_ != nullptr) readout_->Cancel();
    if (!busy_) QThread::currentThread()->quit();
}

// Polls every module that is due, earliest first, then sleeps until the next one is. A module
// whose cycle overran its period is polled again as soon as its turn comes.
void LineWorker::Tick() {
    busy_ = true;
    while (!stopping_) {
        Polled& next =
            *std::min_element(modules_.begin(), modules_.end(),
                              [](const Polled& a, const Polled& b) { return a.due < b.due; });
        if (next.due > std::chrono::steady_clock::now()) break;
        Poll(next);
        next.due += std::chrono::seconds(next.module.config.periodSeconds);
        next.due = std::max(next.due, std::chrono::steady_clock::now());
    }
    busy_ = false;
    if (stopping_) {
        QThread::currentThread()->quit();
        return;
    }
    const auto earliest =
        std::min_element(modules_.begin(), modules_.end(), [](const Polled& a, const Polled& b) {
            return a.due < b.due;
        })->due;
    const auto wait =
        std::chrono::ceil<std::chrono::milliseconds>(earliest - std::chrono::steady_clock::now());
    timer_.start(int(std::max<std::int64_t>(wait.count(), 0)));
}

bool LineWorker::EnsureOpen(QString* why) {
    if (session_->IsOpen()) return true;
    portError_.clear();
    if (session_->Open(kPortNumber - 1, baud_, why) != Outcome::Done) return false;
    if (!session_->lineSettingsFailed()) return true;
    // A device that is no terminal: no module can answer on it.
    *why = portError_;
    session_->Close();
    return false;
}

void LineWorker::Poll(Polled& p) {
    const ModuleConfig& config = p.module.config;
    QString why;
    Outcome outcome = EnsureOpen(&why) ? Outcome::Done : Outcome::NoPort;
    if (outcome == Outcome::Done) {
        session_->SetAddress(std::uint8_t(config.address));
        if (!p.typeRead) {
            outcome = ReadMeasurementType(*session_);
            p.typeRead = outcome == Outcome::Done;
            if (p.typeRead) p.module.type = session_->module().moduleType;
        }
        if (outcome == Outcome::Done) outcome = ReadLiveCycle(*session_);
    }
    const auto polled = std::chrono::steady_clock::now();
    store::Reading r;
    r.module = config.name;
    r.timeMs = NowMs();
    r.type = p.module.type;
    const bool answered = outcome == Outcome::Done;
    r.channels = answered ? LiveChannels(r.type, session_->module()) : LiveLayout(r.type);
    // After a failure the type is read again: another module may answer now.
    if (!answered) p.typeRead = false;
    if (answered && r.HasValues()) NoteValued(p, r.timeMs);
    emit readingMade(r, polled.time_since_epoch().count());
    const bool lost =
        outcome == Outcome::NoPort || outcome == Outcome::LineLost || !session_->IsOpen();
    if (lost && why.isEmpty()) why = portError_;
    // The session's message names a COM port; its last line names the device and the reason.
    why = why.section('\n', -1);
    Report(p,
           answered ? LineState::Online
           : lost   ? LineState::LineLost
                    : LineState::NoReply,
           r.timeMs, why);
    if (answered && !p.module.gaps.empty() && p.fillAttempts < kFillAttempts) FillGaps(p);
}

void LineWorker::Report(Polled& p, LineState state, std::int64_t nowMs, const QString& detail) {
    if (p.state == state) return;
    p.state = state;
    emit stateChanged(Name(p.module), int(state), nowMs, detail);
}

// A reading with values after a minute or more without any opens a gap for the logger.
void LineWorker::NoteValued(Polled& p, std::int64_t timeMs) {
    const auto& newest = p.module.newestValuedMs;
    if (newest && timeMs - *newest >= kShortestGapMs) {
        const store::Store::Gap gap{*newest, timeMs};
        p.module.gaps.push_back(gap);
        p.fillAttempts = 0;
        emit gapOpened(Name(p.module), gap.fromMs, gap.toMs);
    }
    p.module.newestValuedMs = timeMs;
}

void LineWorker::CloseGaps(Polled& p, const std::vector<store::Store::Gap>& gaps) {
    for (const auto& g : gaps) {
        emit gapClosed(Name(p.module), g.fromMs, g.toMs);
        std::erase_if(p.module.gaps,
                      [&](const auto& x) { return x.fromMs == g.fromMs && x.toMs == g.toMs; });
    }
}

std::vector<LoggerRecord> LineWorker::ReadLogger(Outcome* outcome) {
    std::vector<LoggerRecord> records;
    LoggerReadout readout(*session_);
    connect(&readout, &LoggerReadout::record, this,
            [&records](const LoggerRecord& r) { records.push_back(r); });
    readout_ = &readout;
    *outcome = readout.Start();
    if (*outcome == Outcome::Done) *outcome = readout.WaitUntilFinished();
    readout_ = nullptr;
    return records;
}

// Reads the logger information (its interval, its clock), leaves the gaps shorter than the
// interval alone (they hold at most one record), reads out the logger and stores the records
// that fall into a gap. The logger is read, never cleared.
void LineWorker::FillGaps(Polled& p) {
    session_->SetAddress(std::uint8_t(p.module.config.address));
    if (ReadLoggerInfo(*session_) != Outcome::Done) {
        ++p.fillAttempts;
        return;
    }
    const CModulDaten& d = session_->module();
    const std::int64_t interval =
        std::max<std::int64_t>(d.loggerInterval * 60'000LL, kShortestGapMs);
    std::vector<store::Store::Gap> tooShort;
    for (const auto& g : p.module.gaps)
        if (d.loggerInterval == 0 || g.toMs - g.fromMs < interval) tooShort.push_back(g);
    CloseGaps(p, tooShort);
    if (p.module.gaps.empty()) return;
    if (d.loggerByteCount < kLoggerRecordSize) return CloseGaps(p, p.module.gaps);
    const std::int64_t pcNow = NowMs();
    const std::int64_t offset = ModuleClockMs(d) ? ClockOffsetMs(*ModuleClockMs(d), pcNow) : 0;
    const int type = p.module.type;
    Outcome outcome = Outcome::Done;
    const std::vector<LoggerRecord> records = ReadLogger(&outcome);
    const auto inside = RecordsInGaps(records, p.module.gaps, offset);
    for (const auto& [time, record] : inside) {
        store::Reading r;
        r.module = p.module.config.name;
        r.timeMs = time;
        r.source = store::Source::Logger;
        r.type = type;
        r.channels = LoggerChannels(type, record);
        emit readingMade(r, 0);
    }
    if (outcome == Outcome::Done || outcome == Outcome::Empty) {
        emit notice(Name(p.module) + QString(": %1 records from the data logger for %2 gaps")
                                         .arg(inside.size())
                                         .arg(p.module.gaps.size()));
        CloseGaps(p, std::vector<store::Store::Gap>(p.module.gaps));
        p.fillAttempts = 0;
    } else if (++p.fillAttempts == kFillAttempts && !stopping_) {
        emit notice(
            Name(p.module) + ": the data logger could not be read (" +
            QString::fromUtf8(OutcomeName(outcome).data(), qsizetype(OutcomeName(outcome).size())) +
            "); its gaps stay open until it answers again after another gap");
    }
}

}  // namespace ql50::acquire
