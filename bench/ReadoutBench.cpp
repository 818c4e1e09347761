#include "ReadoutBench.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <ctime>
#include <optional>
#include <stdexcept>

#include "BenchReport.h"
#include "app/CHauptDialog.h"
#include "link/Encoding.h"
#include "link/FrameAssembler.h"
#include "link/Registers.h"
#include "operations/LoggerReadout.h"
#include "operations/Session.h"

namespace ql50::bench {
namespace {

constexpr int kBaudRate = 4800;
// The read-out ends when no frame has come for this long, as the program's watchdog has it.
constexpr int kSilenceMs = 3000;

// The stream: the acknowledgement, then one frame per two logger bytes.
std::size_t StreamFrames(unsigned loggerBytes) {
    return 1 + (loggerBytes + 1) / 2;
}

// The process's CPU time to the nanosecond: an unpaced read-out takes milliseconds.
double ProcessCpuTime() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

struct Clocks {
    double cpu = ProcessCpuTime();
    double gui = ThreadCpuSeconds();
    Clock::time_point wall = Clock::now();
    void Into(ReadoutRun& run) const {
        run.cpuSeconds = ProcessCpuTime() - cpu;
        run.guiCpuSeconds = ThreadCpuSeconds() - gui;
        run.wallSeconds = SecondsSince(wall);
    }
};

void ExpectWhole(const ReadoutRun& run, std::size_t frames, const char* reader) {
    if (run.frames != frames) {
        throw std::runtime_error(std::string(reader) + ": stream stopped after " +
                                 std::to_string(run.frames) + " of " + std::to_string(frames) +
                                 " frames");
    }
}

// Ends `loop` when no frame has come for a whole period.
class Silence {
public:
    Silence(QEventLoop& loop, const std::size_t& frames) {
        QObject::connect(&timer_, &QTimer::timeout, &loop, [&loop, &frames, this] {
            if (frames == seen_) loop.quit();
            seen_ = frames;
        });
        timer_.start(kSilenceMs);
    }

private:
    QTimer timer_;
    std::size_t seen_ = 0;
};

// ---- the minimal reader ----

class RawLine {
public:
    explicit RawLine(const std::string& device)
        : fd_(::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
        termios tio{};
        if (fd_ < 0 || ::tcgetattr(fd_, &tio) != 0) {
            if (fd_ >= 0) ::close(fd_);
            throw std::runtime_error("minimal reader: cannot open the line");
        }
        ::cfmakeraw(&tio);
        ::cfsetspeed(&tio, B4800);
        ::tcsetattr(fd_, TCSANOW, &tio);
        ::tcflush(fd_, TCIOFLUSH);
    }
    ~RawLine() { ::close(fd_); }
    RawLine(const RawLine&) = delete;
    RawLine& operator=(const RawLine&) = delete;

    void Send(const Request& request) {
        const Frame frame = BuildFrame(0, request);
        frames_.Reset();
        if (::write(fd_, frame.data(), frame.size()) != ssize_t(frame.size()))
            throw std::runtime_error("minimal reader: write failed");
    }
    // Takes frames until `count` valid ones have come or the line was silent for a while; the
    // last valid one stays in Last().
    std::size_t Take(std::size_t count) {
        std::size_t taken = 0;
        std::uint8_t buffer[4096];
        pollfd fds{fd_, POLLIN, 0};
        while (taken<count&& ::poll(&fds, 1, kSilenceMs)> 0) {
            const ssize_t got = ::read(fd_, buffer, sizeof buffer);
            for (ssize_t i = 0; i < got; ++i) {
                if (frames_.Push(buffer[i]) == RxEvent::ValidFrame) ++taken;
            }
        }
        return taken;
    }
    const Frame& Last() const { return frames_.rxFrame(); }
    void SetResync(bool on) { frames_.SetResync(on); }

private:
    int fd_;
    FrameAssembler frames_;
};

}  // namespace

ReadoutRun MinimalReadout(const std::string& device) {
    RawLine line(device);
    line.Send(req::kLoggerLevel);
    if (line.Take(1) != 1) throw std::runtime_error("minimal reader: no fill level");
    const std::size_t frames = StreamFrames(DecodeUint16(FrameData(line.Last())));
    line.SetResync(true);
    ReadoutRun run;
    const Clocks clocks;
    line.Send(req::kLoggerStream);
    run.frames = line.Take(frames);
    clocks.Into(run);
    ExpectWhole(run, frames, "minimal reader");
    return run;
}

ReadoutRun ProgramReadout(const std::string& device) {
    // As ql50-cli logger-dump does: a session, and the read-out into an export file.
    Session session;
    session.MapPort(1, device);
    QString failure;
    if (session.Open(0, kBaudRate, &failure) != Outcome::Done)
        throw std::runtime_error(failure.toStdString());
    QTemporaryDir folder;
    LoggerExport dump(session);

    // Measured from the stream request to its last frame, as for the minimal reader.
    ReadoutRun run;
    std::size_t frames = 0;
    std::optional<Clocks> clocks;
    QObject::connect(&dump.readout(), &LoggerReadout::started, [&] {
        frames = StreamFrames(session.module().loggerByteCount);
        clocks.emplace();
    });
    // Connected after the read-out's own handler: the last record is written when it runs.
    QObject::connect(&session, &Session::loggerFrame, [&] {
        if (++run.frames == frames) clocks->Into(run);
    });
    if (dump.Start(folder.filePath("logger.txt").toStdString()) != Outcome::Done)
        throw std::runtime_error("program: the read-out did not start");
    // The read-out ends by its watchdog, which closes the export file.
    dump.WaitUntilFinished();
    ExpectWhole(run, frames, "program");
    run.records = dump.writtenRecords();
    return run;
}

ReadoutRun WindowReadout(const std::string& device) {
    QTemporaryDir folder;
    CHauptDialog window(folder.path());
    window.session().MapPort(1, device);
    window.settings.portIndex = 0;
    window.settings.baudRate = kBaudRate;
    window.Create();
    // The save dialog of the read-out gets the export file's name as a user would type it.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        auto* name =
            dialog ? dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")) : nullptr;
        if (name == nullptr) return;
        name->setText(folder.filePath("logger.txt"));
        static_cast<QDialog*>(dialog)->accept();
        answer.stop();
    });
    answer.start(50);

    // Measured from the acknowledgement of the stream request to its last frame.
    ReadoutRun run;
    std::size_t frames = 0;
    std::optional<Clocks> clocks;
    QEventLoop loop;
    QObject::connect(&window.session(), &Session::loggerFrame, &loop, [&] {
        if (++run.frames == 1) {
            clocks.emplace();
            frames = StreamFrames(window.session().module().loggerByteCount);
        } else if (run.frames == frames) {
            clocks->Into(run);
            loop.quit();
        }
    });
    Silence silence(loop, run.frames);
    dynamic_cast<QAbstractButton*>(window.Item(kIdLoggerAuslesen))->click();
    if (run.frames == 0 || run.frames < frames) loop.exec();
    ExpectWhole(run, frames, "window");
    // The read-out ends by its watchdog, which finishes the export file.
    QEventLoop end;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &end, [&] {
        if (!window.readout().Running()) end.quit();
    });
    check.start(100);
    end.exec();
    run.records = window.readout().writtenRecords();
    return run;
}

}  // namespace ql50::bench
