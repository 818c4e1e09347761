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
#include "conversation/CConversation.h"
#include "formats/LoggerRecords.h"
#include "formats/TextFile.h"
#include "link/Encoding.h"
#include "link/FrameAssembler.h"
#include "link/Registers.h"

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
    CConversation conversation;
    conversation.MapPort(1, device);
    QString failure;
    if (!conversation.EnsurePortOpen(0, kBaudRate, &failure))
        throw std::runtime_error(failure.toStdString());
    QTemporaryDir folder;
    TextFile exportFile;
    if (!exportFile.Create(folder.filePath("logger.txt").toStdString()) ||
        !exportFile.Write(LoggerExportHeader()))
        throw std::runtime_error(exportFile.ErrorText());
    if (!conversation.Ask(req::kLoggerLevel)) throw std::runtime_error("program: no fill level");
    const std::size_t frames = StreamFrames(conversation.modul.loggerByteCount);

    ReadoutRun run;
    LoggerRecordAssembler records;
    QEventLoop loop;
    QObject::connect(&conversation, &CConversation::loggerFrame, &loop, [&](const Frame& frame) {
        if (++run.frames == frames) loop.quit();
        if (run.frames == 1) return;  // the acknowledgement carries no record
        const auto record = records.Push(frame[kPosD2], frame[kPosD3]);
        if (record && exportFile.Write(LoggerRecordLine(*record))) ++run.records;
    });
    Silence silence(loop, run.frames);
    const Clocks clocks;
    conversation.SetStreaming(true);
    // As the read-out does: the acknowledgement ends the wait, the stream follows.
    conversation.Ask(req::kLoggerStream);
    if (run.frames < frames) loop.exec();
    clocks.Into(run);
    ExpectWhole(run, frames, "program");
    return run;
}

ReadoutRun WindowReadout(const std::string& device) {
    QTemporaryDir folder;
    CHauptDialog window(folder.path());
    window.conversation().MapPort(1, device);
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
    QObject::connect(&window.conversation(), &CConversation::loggerFrame, &loop, [&] {
        if (++run.frames == 1) {
            clocks.emplace();
            frames = StreamFrames(window.conversation().modul.loggerByteCount);
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
