#include "acquire/Service.h"

#include <QCoreApplication>
#include <algorithm>
#include <cstdio>

#include "acquire/Payload.h"
#include "acquire/Publisher.h"
#include "sim/PtyServer.h"
#include "sim/VirtualModule.h"

namespace ql50::acquire {
namespace {

// Latencies are counted in 0.1 ms steps up to 10 s; longer ones in the last step.
constexpr std::size_t kLatencySteps = 100'000;
constexpr double kLatencyStepMs = 0.1;
// A thread ends after its exchange under way: a reply wait, or a logger read-out's watchdog.
constexpr unsigned long kLineStopLimitMs = 30'000;

void Log(const std::string& text) {
    std::fprintf(stderr, "ql50d: %s\n", text.c_str());
}

const char* StateName(LineState state) {
    switch (state) {
        case LineState::Online:
            return "online";
        case LineState::NoReply:
            return "no reply";
        case LineState::LineLost:
            return "line lost";
    }
    return "";
}

}  // namespace

struct Service::Line {
    std::unique_ptr<QThread> thread;
    LineWorker* worker = nullptr;  // lives on the thread and is deleted there as it ends
};

Service::Service(Config config, ServiceOptions options, QObject* parent)
    : QObject(parent), config_(std::move(config)), options_(options) {
    latenciesMs_.assign(kLatencySteps, 0.0);
}

Service::~Service() {
    Stop();
}

bool Service::Start() {
    qRegisterMetaType<store::Reading>();
    if (!store_.Open(config_.storePath)) {
        Log("the store cannot be opened: " + store_.ErrorText());
        return false;
    }
    if (!StartSimulatedPorts()) return false;
    if (config_.mqtt) {
        publisher_ = std::make_unique<Publisher>(*config_.mqtt, store_);
        connect(publisher_.get(), &Publisher::acknowledged, this, &Service::OnAcknowledged);
        connect(publisher_.get(), &Publisher::connectionChanged, this,
                [this](bool connected, const QString& detail) {
                    const auto& m = *config_.mqtt;
                    const std::string broker = m.host + ":" + std::to_string(m.port);
                    Log(connected ? "connected to " + broker
                                  : "no connection to " + broker + ": " + detail.toStdString());
                });
        std::string error;
        if (!publisher_->Start(&error)) {
            Log(error);
            return false;
        }
    }
    StartLines();
    const auto count = [](std::size_t n, const char* one, const char* many) {
        return std::to_string(n) + " " + (n == 1 ? one : many);
    };
    Log("polling " + count(config_.modules.size(), "module", "modules") + " on " +
        count(lines_.size(), "line", "lines") + " into " + config_.storePath +
        (config_.mqtt ? ", publishing to " + config_.mqtt->host + ":" +
                            std::to_string(config_.mqtt->port) + " under " + config_.mqtt->prefix
                      : ", without MQTT"));
    return true;
}

// A module on port "simulate" gets a virtual module of its own behind a pseudo-terminal,
// paced at its line rate, answering its address.
bool Service::StartSimulatedPorts() {
    for (ModuleConfig& m : config_.modules) {
        if (!m.simulateType) continue;
        auto module = std::make_unique<sim::VirtualModule>();
        module->SetType(*m.simulateType);
        module->SetAddress(std::uint8_t(m.address == 0 ? 1 : m.address));
        module->SetLineRate(unsigned(m.baud));
        auto port = std::make_unique<sim::PtyServer>(*module);
        std::string error;
        if (!port->Start(&error)) {
            Log("virtual module of " + m.name + ": " + error);
            return false;
        }
        m.port = port->SlavePath();
        virtualModules_.push_back(std::move(module));
        virtualPorts_.push_back(std::move(port));
    }
    return true;
}

void Service::StartLines() {
    std::vector<std::pair<std::string, std::vector<LineModule>>> byPort;
    for (const ModuleConfig& m : config_.modules) {
        auto line = std::find_if(byPort.begin(), byPort.end(),
                                 [&](const auto& l) { return l.first == m.port; });
        if (line == byPort.end()) line = byPort.insert(byPort.end(), {m.port, {}});
        const store::Store::ModuleState state = store_.State(m.name);
        line->second.push_back(LineModule{m, state.type, state.newestValued, store_.Gaps(m.name)});
    }
    for (auto& [port, modules] : byPort) {
        auto line = std::make_unique<Line>();
        line->thread = std::make_unique<QThread>();
        const int baud = modules.front().config.baud;
        line->worker = new LineWorker(port, baud, std::move(modules));
        line->worker->moveToThread(line->thread.get());
        LineWorker* w = line->worker;
        connect(w, &LineWorker::readingMade, this, &Service::OnReading);
        connect(w, &LineWorker::stateChanged, this, &Service::OnState);
        connect(w, &LineWorker::notice, this, [](const QString& text) { Log(text.toStdString()); });
        connect(w, &LineWorker::gapOpened, this, [this](const QString& m, qint64 from, qint64 to) {
            if (!store_.AddGap(m.toStdString(), {from, to}))
                Log("the store cannot note a gap: " + store_.ErrorText());
        });
        connect(w, &LineWorker::gapClosed, this, [this](const QString& m, qint64 from, qint64 to) {
            store_.RemoveGap(m.toStdString(), {from, to});
        });
        connect(line->thread.get(), &QThread::started, w, &LineWorker::Run);
        connect(line->thread.get(), &QThread::finished, w, &QObject::deleteLater);
        line->thread->start();
        lines_.push_back(std::move(line));
    }
}

void Service::Stop() {
    if (lines_.empty() && !publisher_ && !store_.IsOpen()) return;
    for (const auto& line : lines_)
        QMetaObject::invokeMethod(line->worker, &LineWorker::Stop, Qt::QueuedConnection);
    for (const auto& line : lines_) {
        if (!line->thread->wait(kLineStopLimitMs)) {
            Log("a line did not stop in time");  // it is left to the process's end
            line->thread.release();
        }
    }
    lines_.clear();
    // The readings the lines sent last are still queued for this thread: they are stored too.
    QCoreApplication::sendPostedEvents(this);
    Flush();
    if (publisher_) publisher_->Stop();
    publisher_.reset();
    virtualPorts_.clear();
    virtualModules_.clear();
    store_.Close();
}

// Readings that arrive together (every line polls at the same moments) are committed in one
// transaction at the next turn of the event loop: one sync for a burst. Nothing else happens
// with a reading before its batch is committed.
void Service::OnReading(const store::Reading& reading, qint64 polledNs) {
    if (failed_) return;
    pending_.push_back({reading, polledNs});
    if (pending_.size() == 1)
        QMetaObject::invokeMethod(this, &Service::Flush, Qt::QueuedConnection);
}

void Service::Flush() {
    if (pending_.empty() || failed_) return;
    std::vector<std::pair<store::Reading, qint64>> batch;
    batch.swap(pending_);
    const bool queue = publisher_ != nullptr;
    bool stored = store_.Begin();
    std::vector<std::pair<store::Reading, qint64>> added;
    for (auto& [r, polledNs] : batch) {
        if (!stored) break;
        store::Store::Added result = store_.Add(r, queue);
        // Two live readings of a module in one millisecond (the clock was set back): the later
        // one moves on by a millisecond.
        for (int i = 0; result == store::Store::Added::Duplicate &&
                        r.source == store::Source::Live && i < 1000;
             ++i) {
            ++r.timeMs;
            result = store_.Add(r, queue);
        }
        stored = result != store::Store::Added::Failed;
        // A duplicate is a logger record stored before.
        if (result == store::Store::Added::Stored) added.emplace_back(std::move(r), polledNs);
    }
    if (!stored || !store_.Commit()) {
        store_.Rollback();
        Log("the store cannot take readings: " + store_.ErrorText());
        failed_ = true;
        emit failed();
        return;
    }
    stored_ += std::int64_t(added.size());
    for (const auto& [r, polledNs] : added) {
        if (options_.print) {
            const std::string line = ReadingJson(r) + "\n";
            std::fwrite(line.data(), 1, line.size(), stdout);
        }
        // Without a broker for a long time the waiting readings are no latency figure.
        if (polledAt_.size() > 100'000) polledAt_.clear();
        if (publisher_ && polledNs != 0) polledAt_[r.id] = polledNs;
    }
    if (options_.print) std::fflush(stdout);
    if (publisher_) publisher_->Wake();
}

void Service::OnState(const QString& module, int state, qint64 sinceMs, const QString& detail) {
    const auto s = LineState(state);
    std::string text = module.toStdString() + ": " + StateName(s);
    if (!detail.isEmpty()) text += " (" + detail.simplified().toStdString() + ")";
    Log(text);
    if (publisher_) publisher_->SetStatus(module.toStdString(), StatusText(s, sinceMs));
}

void Service::OnAcknowledged(qint64 id) {
    ++acknowledged_;
    const auto it = polledAt_.find(id);
    if (it == polledAt_.end()) return;
    const double ms =
        double(std::chrono::steady_clock::now().time_since_epoch().count() - it->second) / 1e6;
    latenciesMs_[std::min(kLatencySteps - 1, std::size_t(ms / kLatencyStepMs))] += 1.0;
    polledAt_.erase(it);
}

double Service::LatencyQuantileMs(double q) const {
    double total = 0;
    for (double n : latenciesMs_) total += n;
    if (total == 0) return 0;
    double seen = 0;
    for (std::size_t i = 0; i < latenciesMs_.size(); ++i) {
        seen += latenciesMs_[i];
        if (seen >= q * total) return double(i + 1) * kLatencyStepMs;
    }
    return double(kLatencySteps) * kLatencyStepMs;
}

}  // namespace ql50::acquire
