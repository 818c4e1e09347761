#pragma once
// Publishes the store's queue to an MQTT broker (libmosquitto): each reading as JSON to
// <prefix>/<module>/reading with QoS 1, in the order the store took them, and removes it from
// the queue once the broker has acknowledged it. While the broker is away the readings wait in
// the store, so the queue survives a restart; once it is back they follow in order. The module
// statuses are retained messages, and the service's own retained status falls back to
// "offline" through the last will when the service dies.
//
// Order across a reconnection: libmosquitto sends the messages it was handed and that were not
// acknowledged again as soon as it is connected; new readings wait until those are
// acknowledged, so no reading overtakes an older one. A reading the broker got but whose
// acknowledgement was lost is sent twice; consumers drop repeats by their sequence number.
//
// Threading: lives on the service's thread; libmosquitto's own thread runs the network and the
// reconnection (after 1 s, growing to 10 s), and its callbacks are handed over queued.
#include <QObject>
#include <QString>
#include <QTimer>
#include <map>
#include <string>
#include <vector>

#include "acquire/Config.h"
#include "store/Store.h"

struct mosquitto;

namespace ql50::acquire {

class Publisher : public QObject {
    Q_OBJECT
public:
    Publisher(const MqttConfig& config, store::Store& store, QObject* parent = nullptr);
    ~Publisher() override;

    // Sets up the client and starts connecting; false (with the reason) only when the set-up
    // itself fails (a CA file the TLS library refuses). An absent broker is no failure.
    bool Start(std::string* error);
    // Waits up to 2 s for the acknowledgements under way, marks the service offline, hands the
    // acknowledgements to the store and disconnects.
    void Stop();
    // New readings joined the queue.
    void Wake();
    // A module's retained status (sent now or on the next connection).
    void SetStatus(const std::string& module, const std::string& text);
    bool connected() const { return connected_; }

signals:
    void acknowledged(qint64 readingId);
    void connectionChanged(bool connected, QString detail);
    // Every reading handed to the broker was acknowledged.
    void drained();

private:
    void OnConnect(int rc);
    void OnDisconnect(int rc);
    void OnPublish(int mid);
    void Pump();
    void FlushAcks();
    void PublishRetained(const std::string& topic, const std::string& text);

    MqttConfig config_;
    store::Store& store_;
    mosquitto* mosq_ = nullptr;
    bool connected_ = false;
    // Waiting for the acknowledgements of what libmosquitto sends again after a reconnection.
    bool resending_ = false;
    bool backlog_ = false;  // the store may hold readings not yet handed to libmosquitto
    bool started_ = false;
    std::map<int, std::int64_t> inflight_;  // message id -> reading id
    std::int64_t cursor_ = 0;               // the last reading handed to libmosquitto
    std::vector<std::int64_t> acked_;
    QTimer ackTimer_;
    std::map<std::string, std::string> statuses_;
};

}  // namespace ql50::acquire
