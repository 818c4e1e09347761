#include "cli/CliSession.h"

#include <unistd.h>

#include <QDateTime>
#include <QEventLoop>
#include <QTimer>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "cli/Progress.h"
#include "cli/StandardStreams.h"
#include "cli/StopSignals.h"
#include "formats/CsvLines.h"
#include "formats/LoggerRecords.h"
#include "formats/Recording.h"
#include "formats/TextFile.h"
#include "operations/LiveOps.h"
#include "operations/LoggerOps.h"
#include "operations/LoggerReadout.h"
#include "sim/PtyServer.h"
#include "tables/Cp1252.h"
#include "tables/Meldungen.h"
#include "tables/MessTypen.h"
#include "tables/Texte.h"

namespace ql50::cli {
namespace {

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

// A result printed on standard output: exit 1 with the reason when it cannot be written.
int PrintResult(const std::string& utf8) {
    if (WriteStandardOutput(utf8)) return kExitOk;
    PrintError(std::string("standard output: ") + std::strerror(errno));
    return kExitFailure;
}

// Where the live lines go: a file written through the program's TextFile, or standard output.
class LineSink {
public:
    bool Open(const std::string& path) { return path.empty() || file_.Create(path); }
    bool Write(const std::string& bytes) {
        if (file_.IsOpen()) return file_.Write(bytes);
        if (WriteStandardOutput(bytes)) return true;
        stdoutError_ = std::string("standard output: ") + std::strerror(errno);
        return false;
    }
    std::string ErrorText() const { return file_.IsOpen() ? file_.ErrorText() : stdoutError_; }

private:
    TextFile file_;
    std::string stdoutError_;
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
    // A pipe or device of that name would keep the tool waiting before it could do anything.
    std::error_code error;
    if (!std::filesystem::is_regular_file("config.ini", error)) return settings;
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
    session_.SetAddress(std::uint8_t(options.address.value_or(0)));
}

CliSession::~CliSession() {
    session_.Close();
}

int CliSession::Run() {
    // The program shows these in its status line and error box; here they go to standard error.
    QObject::connect(&session_, &Session::watchdogNotice, [](const QByteArray& line) {
        std::fputs(ForTerminal(line.toStdString()).c_str(), stderr);
    });
    QObject::connect(&session_, &Session::portError,
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
        session_.MapPort(number, simulation_->server.SlavePath());
    } else if (options_.port) {
        session_.MapPort(number, *options_.port);
    }
    QString failure;
    if (session_.Open(portIndex_, baud_, &failure) != Outcome::Done) {
        PrintError(failure.toStdString());
        if (session_.openFailure() == OpenFailure::NoAccess)
            std::fprintf(stderr, "%s\n",
                         Cp1252ToUtf8(Tx(kMeldungen.keineBerechtigung, language_)).c_str());
        return kExitPort;
    }
    // The line settings failed (a device that is no terminal): its report went to standard
    // error, and no module can answer on it.
    return session_.lineSettingsFailed() ? kExitPort : kExitOk;
}

int CliSession::Failed(Outcome outcome) {
    const std::string device = session_.DeviceForPort(portIndex_ + 1);
    if (outcome == Outcome::LineLost) {
        PrintError("the line to the module was lost (" + device + ")");
        return kExitPort;
    }
    PrintError(ForTerminal(Tx(kTexte.fehlerDatenkommunikation, language_)) + " (" + device + ")");
    return kExitNoAnswer;
}

int CliSession::Live() {
    StopSignals stop;
    LineSink sink;
    if (!sink.Open(options_.output)) {
        PrintError(sink.ErrorText());
        return kExitFailure;
    }
    if (const Outcome read = ReadStartValues(session_); read != Outcome::Done) return Failed(read);
    if (stop.Requested()) return kExitOk;
    const bool csv = options_.csv;
    const CModulDaten& m = session_.module();
    if (!sink.Write(csv ? CsvHeader(m.moduleType, language_) : RecordHeaderLine())) {
        PrintError(sink.ErrorText());
        return kExitFailure;
    }

    QEventLoop loop;
    int status = kExitOk;
    int written = 0;
    QTimer poll, record;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!session_.IsOpen()) {
            // The device went away (an unplugged adapter): the recording ends.
            status = kExitPort;
            loop.quit();
        } else {
            PollTick(session_);
        }
    });
    QObject::connect(&record, &QTimer::timeout, [&] {
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        // As in the program: values no poll cycle of the last two periods brought are never
        // written as new; their cells stay empty.
        const bool fresh = LastCycleFresh(session_);
        const std::string line = csv ? CsvDataLine(local, local.tm_gmtoff, m, fresh)
                                     : (fresh ? RecordDataLine(local, m) : RecordGapLine(local));
        if (!sink.Write(line)) {
            PrintError(sink.ErrorText());
            status = kExitFailure;
            loop.quit();
        } else if (++written == options_.count) {
            loop.quit();
        }
    });
    QObject::connect(&stop, &StopSignals::stopRequested, &loop, &QEventLoop::quit);
    poll.start(int(kPollPeriod.count()));
    record.start(
        RecordTimerMs(intervalSeconds_ / 3600, intervalSeconds_ / 60 % 60, intervalSeconds_ % 60));
    // A first chain at once, so that the first line does not wait for the first poll tick.
    PollTick(session_);
    loop.exec();
    return status;
}

int CliSession::LoggerDump() {
    StopSignals stop;
    LoggerExport dump(session_);
    std::unique_ptr<Progress> bar;  // from the start of the stream
    QObject::connect(&dump.readout(), &LoggerReadout::started, [&](int range) {
        bar = std::make_unique<Progress>(stderr, ::isatty(STDERR_FILENO) == 1, range);
        bar->Set(0);
    });
    QObject::connect(&dump.readout(), &LoggerReadout::progress, [&](int position) {
        if (bar) bar->Set(position);
    });
    QObject::connect(&stop, &StopSignals::stopRequested, [&] { dump.Cancel(); });
    Outcome outcome = dump.Start(options_.dumpFile);
    if (outcome == Outcome::Done) outcome = dump.WaitUntilFinished();
    if (bar) bar->Finish();
    if (stop.Requested() && outcome != Outcome::Done) outcome = Outcome::Stopped;
    const unsigned written = dump.writtenRecords(), expected = dump.expectedRecords();
    switch (outcome) {
        case Outcome::Done:
            std::fprintf(stderr, "%u records written to %s\n", written, options_.dumpFile.c_str());
            return kExitOk;
        case Outcome::Empty:
            std::fprintf(stderr, "%s\n", ForTerminal(Tx(kTexte.loggerLeer, language_)).c_str());
            return kExitOk;
        case Outcome::FileError:
            PrintError(dump.fileError());
            return kExitFailure;
        case Outcome::Stopped:
            PrintError("logger read-out interrupted: " + std::to_string(written) + " of " +
                       std::to_string(expected) + " records written to " + options_.dumpFile);
            return kExitFailure;
        case Outcome::Short:
        case Outcome::LineLost:
            // A read-out that lost records must never look complete.
            if (bar) {
                PrintError(
                    "the data logger was not read out completely: " + std::to_string(written) +
                    " of " + std::to_string(expected) + " records written to " + options_.dumpFile +
                    (outcome == Outcome::LineLost ? " (the line to the module was lost)" : ""));
                return kExitIncomplete;
            }
            return Failed(outcome);
        default:
            return Failed(outcome);
    }
}

int CliSession::Info() {
    if (const Outcome read = ReadLoggerInfo(session_); read != Outcome::Done) return Failed(read);
    std::string text = ForTerminal(LoggerInfoSummary(LoggerInfoOf(session_.module()), language_));
    if (!text.empty() && text.back() != '\n') text += '\n';
    return PrintResult(text);
}

int CliSession::SetClock() {
    ql50::ClockSetting c;
    if (options_.clock) {
        c = {options_.clock->year, options_.clock->month,  options_.clock->day,
             options_.clock->hour, options_.clock->minute, 0};
    } else {
        const QDateTime now = QDateTime::currentDateTime();
        c = {now.date().year(), now.date().month(),  now.date().day(),
             now.time().hour(), now.time().minute(), now.time().second()};
    }
    const Outcome outcome = SetModuleClock(session_, c);
    if (outcome == Outcome::Refused) {
        char date[32];
        std::snprintf(date, sizeof date, "%04d-%02d-%02d", c.year, c.month, c.day);
        PrintError(std::string("the computer's date ") + date +
                   " lies outside the years the module's clock can hold (" +
                   std::to_string(kFirstClockYear) + " to " + std::to_string(kLastClockYear) +
                   "); nothing was sent");
        return kExitFailure;
    }
    return outcome == Outcome::Done ? kExitOk : Failed(outcome);
}

int CliSession::ClearLogger() {
    const Outcome outcome = ql50::ClearLogger(session_);
    return outcome == Outcome::Done ? kExitOk : Failed(outcome);
}

int CliSession::Type() {
    if (const Outcome read = ReadMeasurementType(session_); read != Outcome::Done)
        return Failed(read);
    const unsigned index = std::min<unsigned>(session_.module().moduleType, kMessTypCount - 1);
    const auto& name = kMessTypen[index].name[std::size_t(language_)];
    return PrintResult(std::to_string(index + 1) + " " + Cp1252ToUtf8(name.data()) + "\n");
}

}  // namespace ql50::cli
