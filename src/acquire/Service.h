#pragma once
// ql50d's service: the store, the lines (one thread each), the virtual modules of simulated
// ports and the MQTT publisher, on the thread that runs the application's event loop.
//
// How a reading flows: a line's thread polls a module and sends the reading (queued) to the
// service; the service commits it to the store (with its sequence number, and into the
// publishing queue when MQTT is configured; readings that arrive together in one transaction)
// before anything else happens with it, then prints it (--print) and wakes the publisher, which
// sends the queue in order.
#include <QObject>
#include <QString>
#include <QThread>
#include <chrono>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "acquire/Config.h"
#include "acquire/LineWorker.h"
#include "store/Store.h"

namespace ql50::sim {
class VirtualModule;
class PtyServer;
}  // namespace ql50::sim

namespace ql50::acquire {

class Publisher;

struct ServiceOptions {
    bool print = false;  // every stored reading's JSON on standard output
};

class Service : public QObject {
    Q_OBJECT
public:
    Service(Config config, ServiceOptions options, QObject* parent = nullptr);
    ~Service() override;

    // Opens the store, starts the virtual modules, the publisher and the lines. False (with
    // the reason on standard error) when the store or the publisher cannot be set up: then
    // nothing runs.
    bool Start();
    // Stops the lines (each ends its exchange under way), the publisher, and closes the store.
    void Stop();

    // Readings stored and acknowledged by the broker since the start; the time from a completed
    // poll to the broker's acknowledgement, in milliseconds (the quantile q of those seen).
    std::int64_t storedReadings() const { return stored_; }
    std::int64_t acknowledgedReadings() const { return acknowledged_; }
    double LatencyQuantileMs(double q) const;

signals:
    // The store could not take a reading: the service cannot go on (exit status 1).
    void failed();

private:
    struct Line;
    void OnReading(const store::Reading& reading, qint64 polledNs);
    void Flush();
    void OnState(const QString& module, int state, qint64 sinceMs, const QString& detail);
    void OnAcknowledged(qint64 id);
    bool StartSimulatedPorts();
    void StartLines();

    Config config_;
    ServiceOptions options_;
    store::Store store_;
    std::unique_ptr<Publisher> publisher_;
    std::vector<std::unique_ptr<sim::VirtualModule>> virtualModules_;
    std::vector<std::unique_ptr<sim::PtyServer>> virtualPorts_;
    std::vector<std::unique_ptr<Line>> lines_;
    std::vector<std::pair<store::Reading, qint64>> pending_;   // to be committed together
    std::unordered_map<std::int64_t, std::int64_t> polledAt_;  // reading id -> steady ns
    std::vector<double> latenciesMs_;
    std::int64_t stored_ = 0;
    std::int64_t acknowledged_ = 0;
    bool failed_ = false;
};

}  // namespace ql50::acquire
