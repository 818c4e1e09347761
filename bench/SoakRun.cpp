// Soak run: the main window measures and records the virtual module at a 1 s interval for a given
// number of minutes on the offscreen platform, while faults are injected at random (silence, bad
// checksums, stray bytes, watchdog notices, slow replies, the line hung up and back). At the end
// it reports the recording lines written against the lines expected, the lines with values and
// the gap lines, any malformed line, resident memory at start and end, and CPU share.
//
//   ql50_soak [--minutes N] [--seed S] [--quiet-faults]
#include <sys/resource.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>

#include "app/CHauptDialog.h"
#include "sim/PtyServer.h"
#include "sim/VirtualModule.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

double ProcessCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// The virtual module behind a pseudo-terminal reached through a fixed device path (a symbolic
// link), so a hang-up and a new server look like an adapter unplugged and plugged in again.
class Line {
public:
    explicit Line(fs::path device) : device_(std::move(device)) { Plug(); }
    void HangUp() {
        if (server_) server_->HangUp();
    }
    void Plug() {
        server_ = std::make_unique<ql50::sim::PtyServer>(module);
        std::string error;
        if (!server_->Start(&error)) {
            std::fprintf(stderr, "ql50_soak: virtual module: %s\n", error.c_str());
            std::exit(1);
        }
        fs::remove(device_);
        fs::create_symlink(server_->SlavePath(), device_);
    }
    ql50::sim::VirtualModule module;

private:
    fs::path device_;
    std::unique_ptr<ql50::sim::PtyServer> server_;
};

struct FileFigures {
    long lines = 0, valueLines = 0, gapLines = 0, malformed = 0;
    long wholeMinutes = 0, shortMinutes = 0, longMinutes = 0;
};

// Every recording line is "DD.MM.YYYY\tHH:MM\t" and six cells, CR LF; a gap line has six empty
// cells. The time stamp has no seconds, so at a 1 s interval every whole minute of the run (not
// the first or last) must hold exactly 60 lines.
FileFigures Examine(const fs::path& file) {
    FileFigures f;
    std::ifstream in(file, std::ios::binary);
    std::string line;
    std::getline(in, line);  // header
    std::map<std::string, int> perMinute;
    while (std::getline(in, line)) {
        ++f.lines;
        const long tabs = std::count(line.begin(), line.end(), '\t');
        if (line.size() < 17 || line.back() != '\r' || tabs != 7 || line[10] != '\t' ||
            line[13] != ':' || line[16] != '\t') {
            ++f.malformed;
            continue;
        }
        ++perMinute[line.substr(0, 16)];
        if (line.compare(line.size() - 7, 7, "\t\t\t\t\t\t\r") == 0)
            ++f.gapLines;
        else
            ++f.valueLines;
    }
    if (perMinute.size() > 2) {
        perMinute.erase(perMinute.begin());
        perMinute.erase(std::prev(perMinute.end()));
        for (const auto& [minute, count] : perMinute) {
            ++f.wholeMinutes;
            if (count < 60) f.shortMinutes += 60 - count;
            if (count > 60) f.longMinutes += count - 60;
        }
    }
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    double minutes = 30;
    unsigned seed = unsigned(std::time(nullptr));
    bool faults = true;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--minutes" && i + 1 < argc)
            minutes = std::atof(argv[++i]);
        else if (a == "--seed" && i + 1 < argc)
            seed = unsigned(std::atol(argv[++i]));
        else if (a == "--quiet-faults")
            faults = false;
        else {
            std::fprintf(stderr, "usage: ql50_soak [--minutes N] [--seed S] [--quiet-faults]\n");
            return 2;
        }
    }
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    const fs::path dir = fs::temp_directory_path() / ("ql50-soak-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const fs::path device = dir / "ttyQL50";
    const fs::path recording = dir / "aufzeichnung.txt";
    Line line(device);
    line.module.SetType(7);
    line.module.SetLineRate(4800);  // as the program's own virtual module

    ql50::CHauptDialog window(QString::fromStdString(dir.string()));
    window.session().MapPort(1, device.string());
    window.Create();
    window.settings.portIndex = 0;
    window.settings.hours = 0;
    window.settings.minutes = 0;
    window.settings.seconds = 1;
    if (!window.recordingFile.Create(recording.string())) {
        std::fprintf(stderr, "ql50_soak: cannot create %s\n", recording.c_str());
        return 1;
    }
    window.EnableItem(ql50::kIdMessung, true);

    // Message boxes (a hang-up is reported once per loss) are answered as a user would.
    long boxes = 0;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            ++boxes;
            box->accept();
        }
    });
    answer.start(500);

    // One fault every 20 to 60 s, each lasting a few seconds.
    std::mt19937 random(seed);
    std::map<std::string, int> injected;
    QTimer faultTimer;
    faultTimer.setSingleShot(true);
    const auto nextFault = [&] {
        faultTimer.start(std::uniform_int_distribution<int>(20'000, 60'000)(random));
    };
    QObject::connect(&faultTimer, &QTimer::timeout, [&] {
        const int kind = std::uniform_int_distribution<int>(0, 5)(random);
        const int lasting = std::uniform_int_distribution<int>(2'000, 12'000)(random);
        auto& m = line.module;
        switch (kind) {
            case 0:
                ++injected["silence"];
                m.SetSilent(true);
                QTimer::singleShot(lasting, [&m] { m.SetSilent(false); });
                break;
            case 1:
                ++injected["bad checksums"];
                m.SetBadChecksum(true);
                QTimer::singleShot(lasting, [&m] { m.SetBadChecksum(false); });
                break;
            case 2:
                ++injected["stray byte"];
                m.InjectStrayByte();
                break;
            case 3:
                ++injected["watchdog notice"];
                m.SendWatchdogNoticeNow();
                break;
            case 4:
                ++injected["slow replies"];
                m.SetReplyDelay(std::chrono::milliseconds(lasting / 10));
                QTimer::singleShot(lasting, [&m] { m.SetReplyDelay(0ms); });
                break;
            default:
                ++injected["hang-up"];
                line.HangUp();
                QTimer::singleShot(lasting, [&line] { line.Plug(); });
                break;
        }
        nextFault();
    });
    if (faults) nextFault();

    const long rssStart = ResidentKiB();
    long rssAfterMinute = -1;
    QTimer::singleShot(60'000, [&] { rssAfterMinute = ResidentKiB(); });
    const double cpuStart = ProcessCpuSeconds();
    const double threadStart = ThreadCpuSeconds();
    // A slow start (under a memory profiler) may miss a reply: a user would click again.
    for (int tries = 0; tries < 3 && !window.measuring; ++tries)
        dynamic_cast<QAbstractButton*>(window.Item(ql50::kIdMessung))->click();
    QElapsedTimer wall;  // from the measurement's start: one line per second from here on
    wall.start();
    double measured = 0;
    if (!window.measuring) {
        std::fprintf(stderr, "ql50_soak: the measurement did not start\n");
        return 1;
    }
    QTimer::singleShot(std::chrono::milliseconds(long(minutes * 60'000)), [&] {
        faultTimer.stop();
        measured = double(wall.elapsed()) / 1000.0;
        dynamic_cast<QAbstractButton*>(window.Item(ql50::kIdMessung))->click();
        app.quit();
    });
    app.exec();
    const double seconds = double(wall.elapsed()) / 1000.0;
    const double cpu = ProcessCpuSeconds() - cpuStart;
    const double threadCpu = ThreadCpuSeconds() - threadStart;
    const long rssEnd = ResidentKiB();
    window.recordingFile.Close();
    const FileFigures f = Examine(recording);

    std::printf("soak: %.1f min, seed %u, faults %s\n", seconds / 60, seed, faults ? "on" : "off");
    for (const auto& [name, count] : injected)
        std::printf("  injected %-16s %d\n", name.c_str(), count);
    std::printf("  message boxes answered     %ld\n", boxes);
    std::printf("  recording lines           %ld (expected %ld at 1 s)\n", f.lines, long(measured));
    std::printf("  with values / gap lines    %ld / %ld\n", f.valueLines, f.gapLines);
    std::printf("  malformed lines            %ld\n", f.malformed);
    std::printf("  whole minutes              %ld: lines missing %ld, lines too many %ld\n",
                f.wholeMinutes, f.shortMinutes, f.longMinutes);
    std::printf(
        "  resident memory            %ld KiB at start, %ld KiB after 1 min, %ld KiB at end"
        " (%+.0f KiB/h after the first minute)\n",
        rssStart, rssAfterMinute, rssEnd,
        seconds > 120 ? double(rssEnd - rssAfterMinute) / ((seconds - 60) / 3600) : 0.0);
    std::printf(
        "  CPU                        %.2f %% of a core (process), %.2f %% (window thread)\n",
        100 * cpu / seconds, 100 * threadCpu / seconds);
    fs::remove_all(dir);
    return f.malformed == 0 && f.shortMinutes == 0 && f.longMinutes == 0 ? 0 : 1;
}
