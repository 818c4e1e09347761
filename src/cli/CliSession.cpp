#include "cli/CliSession.h"

#include <unistd.h>

#include <QDateTime>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "cli/Progress.h"
#include "cli/StopSignals.h"
#include "formats/CsvLines.h"
#include "formats/LoggerRecords.h"
#include "formats/Recording.h"
#include "formats/TextFile.h"
#include "link/Encoding.h"
#include "sim/PtyServer.h"
#include "tables/Cp1252.h"
#include "tables/MessTypen.h"
#include "tables/Texte.h"

namespace ql50::cli {
namespace {

constexpr int kPollMs = 2000;
constexpr int kReadoutWatchdogMs = 3000;

void PrintError(const std::string& utf8) {
    std::fprintf(stderr, "ql50-cli: %s\n", utf8.c_str());
}

// The program's texts and status lines are Windows-1252 with the program's own line ends; a
// terminal gets UTF-8 with LF.
std::string ForTerminal(const std::string& cp1252) {
    std::string text = Cp1252ToUtf8(cp1252), out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool pair = i + 1 < text.size() && ((text[i] == '\n' && text[i + 1] == '\r') ||
                                                  (text[i] == '\r' && text[i + 1] == '\n'));
        if (pair || text[i] == '\r') {
            out += '\n';
            i += pair ? 1 : 0;
        } else {
            out += text[i];
        }
    }
    return out;
}

// Where the live lines go: a file written through the program's TextFile, or standard output.
class LineSink {
public:
    bool Open(const std::string& path) { return path.empty() || file_.Create(path); }
    bool Write(const std::string& bytes) {
        if (file_.IsOpen()) return file_.Write(bytes);
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(STDOUT_FILENO, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            done += std::size_t(n);
        }
        return true;
    }
    std::string ErrorText() const {
        return file_.IsOpen() || !file_.ErrorText().empty() ? file_.ErrorText() : "standard output";
    }

private:
    TextFile file_;
};

}  // namespace

// The virtual module inside the tool, behind a pseudo-terminal, paced like a 4800-baud line,
// as in the program's --simulate mode.
struct CliSession::Simulation {
    explicit Simulation(int type) : server(module) {
        module.SetType(type);
        module.SetLineRate(4800);
    }
    sim::VirtualModule module;
    sim::PtyServer server;
};

Settings ReadWorkingDirectorySettings() {
    Settings settings;
    std::ifstream in("config.ini", std::ios::binary);
    if (!in) return settings;
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    return ParseSettings(bytes);
}

CliSession::CliSession(const CliOptions& options, const Settings& settings)
    : options_(options),
      portIndex_(settings.portIndex),
      baud_(options.baud.value_or(settings.baudRate)),
      language_(options.language.value_or(settings.language == 0 ? 0 : 1)),
      intervalSeconds_(options.intervalSeconds.value_or(
          (settings.hours * 60 + settings.minutes) * 60 + settings.seconds)) {
    conv_.deviceAddress = std::uint8_t(options.address.value_or(0));
}

CliSession::~CliSession() {
    conv_.StopMonitor();
}

int CliSession::Run() {
    // The program shows these in its status line and error box; here they go to standard error.
    QObject::connect(&conv_, &CConversation::watchdogNotice, [](const QByteArray& line) {
        std::fputs(ForTerminal(line.toStdString()).c_str(), stderr);
    });
    QObject::connect(&conv_, &CConversation::portError,
                     [](const QString& text, bool) { PrintError(text.toStdString()); });
    if (const int status = OpenLine(); status != kExitOk) return status;
    const std::string& c = options_.command;
    if (c == "live") return Live();
    if (c == "logger-dump") return LoggerDump();
    if (c == "info") return Info();
    if (c == "set-clock") return SetClock();
    if (c == "clear-logger") return ClearLogger();
    return Type();
}

int CliSession::OpenLine() {
    const int number = portIndex_ + 1;
    if (options_.simulate) {
        simulation_ = std::make_unique<Simulation>(options_.simulateType);
        std::string error;
        if (!simulation_->server.Start(&error)) {
            PrintError("virtual module: " + error);
            return kExitPort;
        }
        conv_.MapPort(number, simulation_->server.SlavePath());
    } else if (options_.port) {
        conv_.MapPort(number, *options_.port);
    }
    QString failure;
    if (conv_.EnsurePortOpen(portIndex_, baud_, &failure)) return kExitOk;
    PrintError(failure.toStdString());
    return kExitPort;
}

int CliSession::NoAnswer() {
    PrintError(ForTerminal(Tx(kTexte.fehlerDatenkommunikation, language_)) + " (" +
               conv_.DeviceForPort(portIndex_ + 1) + ")");
    return kExitNoAnswer;
}

int CliSession::Live() {
    StopSignals stop;
    LineSink sink;
    if (!sink.Open(options_.output)) {
        PrintError(sink.ErrorText());
        return kExitFailure;
    }
    // The start reads of the live measurement: calibration value 1 must answer; the others
    // and the type keep the values held when they do not.
    if (!conv_.Ask(req::ReadCal(1))) return NoAnswer();
    for (const Request& r : {req::ReadCal(2), req::ReadCal(3), req::ReadCal(4), req::kReadType})
        conv_.Ask(r);
    if (stop.Requested()) return kExitOk;
    const bool csv = options_.csv;
    if (!sink.Write(csv ? CsvHeader(conv_.modul.moduleType, language_) : RecordHeaderLine())) {
        PrintError(sink.ErrorText());
        return kExitFailure;
    }

    QEventLoop loop;
    int status = kExitOk;
    int written = 0;
    QTimer poll, record;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!conv_.portOpen()) {
            // The device went away (an unplugged adapter): the recording ends.
            status = kExitPort;
            loop.quit();
        } else if (conv_.frameError()) {
            // A bad frame lets the line settle for one tick.
            conv_.ClearFrameError();
        } else {
            conv_.Send(req::kLiveStart);
        }
    });
    QObject::connect(&record, &QTimer::timeout, [&] {
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        // As in the program: values no poll cycle of the last two periods brought are never
        // written as new; their cells stay empty.
        const auto last = conv_.lastLiveCycle();
        const bool fresh = last && std::chrono::steady_clock::now() - *last <=
                                       std::chrono::milliseconds(2 * kPollMs);
        const std::string line =
            csv ? CsvDataLine(local, local.tm_gmtoff, conv_.modul, fresh)
                : (fresh ? RecordDataLine(local, conv_.modul) : RecordGapLine(local));
        if (!sink.Write(line)) {
            PrintError(sink.ErrorText());
            status = kExitFailure;
            loop.quit();
        } else if (++written == options_.count) {
            loop.quit();
        }
    });
    QObject::connect(&stop, &StopSignals::stopRequested, &loop, &QEventLoop::quit);
    poll.start(kPollMs);
    record.start(
        RecordTimerMs(intervalSeconds_ / 3600, intervalSeconds_ / 60 % 60, intervalSeconds_ % 60));
    // A first chain at once, so that the first line does not wait for the first poll tick.
    conv_.Send(req::kLiveStart);
    loop.exec();
    return status;
}

int CliSession::LoggerDump() {
    StopSignals stop;
    TextFile exportFile;
    if (!exportFile.Create(options_.dumpFile) || !exportFile.Write(LoggerExportHeader())) {
        PrintError(exportFile.ErrorText());
        return kExitFailure;
    }
    if (!conv_.Ask(req::kLoggerLevel)) return NoAnswer();
    const unsigned byteCount = conv_.modul.loggerByteCount;
    if (byteCount < 3) {
        std::printf("%s\n", ForTerminal(Tx(kTexte.loggerLeer, language_)).c_str());
        return kExitOk;
    }

    // The module answers the stream request once before it streams: that frame carries no
    // record. The read-out ends when no frame has come for one watchdog period.
    Progress progress(stderr, ::isatty(STDERR_FILENO) == 1, int(byteCount / 2));
    LoggerRecordAssembler records;
    QEventLoop loop;
    QTimer watchdog;
    int status = kExitOk;
    bool armed = false;
    int step = 1, seen = 1;
    unsigned lines = 0;
    QObject::connect(&conv_, &CConversation::loggerFrame, &loop, [&](const Frame& frame) {
        if (!armed) {
            armed = true;
            return;
        }
        progress.Set(step++);
        const auto record = records.Push(frame[kPosD2], frame[kPosD3]);
        if (!record) return;
        if (!exportFile.Write(LoggerRecordLine(*record))) {
            status = kExitFailure;
            loop.quit();
        }
        ++lines;
    });
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        if (step == seen) loop.quit();
        seen = step;
    });
    QObject::connect(&stop, &StopSignals::stopRequested, &loop, [&] {
        status = kExitFailure;
        loop.quit();
    });
    watchdog.start(kReadoutWatchdogMs);
    progress.Set(0);
    const bool answered = conv_.Ask(req::kLoggerStream);
    if (!answered && !stop.Requested()) status = kExitNoAnswer;
    if (status == kExitOk && !stop.Requested()) loop.exec();
    progress.Finish();
    if (status == kExitNoAnswer) return NoAnswer();
    if (stop.Requested()) PrintError("logger read-out interrupted");
    if (status == kExitFailure && !stop.Requested()) PrintError(exportFile.ErrorText());
    if (status == kExitOk)
        std::fprintf(stderr, "%u records written to %s\n", lines, options_.dumpFile.c_str());
    return status;
}

int CliSession::Info() {
    if (!conv_.Ask(req::kLoggerLevel)) return NoAnswer();
    // Alarm, time, date, interval, release: missing replies keep the values held.
    for (const Request& r : {req::kReadAlarm, req::kReadTime, req::kReadDate,
                             req::kReadLoggerInterval, req::kInfoLoggerRelease})
        conv_.Ask(r);
    const CModulDaten& m = conv_.modul;
    const std::string summary =
        LoggerInfoSummary({m.clockDateText, m.clockTimeText, m.alarmTimeText, m.loggerInterval,
                           m.loggerByteCount, m.loggerEnabled != 0},
                          language_);
    std::string text = ForTerminal(summary);
    if (!text.empty() && text.back() != '\n') text += '\n';
    std::fputs(text.c_str(), stdout);
    return kExitOk;
}

int CliSession::SetClock() {
    ClockSetting c;
    int second = 0;
    if (options_.clock) {
        c = *options_.clock;
    } else {
        const QDateTime now = QDateTime::currentDateTime();
        c = {now.date().year(), now.date().month(), now.date().day(), now.time().hour(),
             now.time().minute()};
        second = now.time().second();
    }
    // Time first, then the date as year - 2000, day, month.
    if (!conv_.Ask(req::kWriteTime,
                   {std::uint8_t(c.hour), std::uint8_t(c.minute), std::uint8_t(second), 0}))
        return NoAnswer();
    if (!conv_.Ask(req::kWriteDate,
                   {std::uint8_t(c.year - 2000), std::uint8_t(c.day), std::uint8_t(c.month), 0}))
        return NoAnswer();
    return kExitOk;
}

int CliSession::ClearLogger() {
    if (!conv_.Ask(req::kLoggerClear, EncodeUint8(kLoggerClearCommand))) return NoAnswer();
    return kExitOk;
}

int CliSession::Type() {
    if (!conv_.Ask(req::kReadType)) return NoAnswer();
    const unsigned index = std::min<unsigned>(conv_.modul.moduleType, kMessTypCount - 1);
    const auto& name = kMessTypen[index].name[std::size_t(language_)];
    std::printf("%u %s\n", index + 1, Cp1252ToUtf8(name.data()).c_str());
    return kExitOk;
}

}  // namespace ql50::cli
