#include "acquire/Publisher.h"

#include <mosquitto.h>

#include <QEventLoop>
#include <cstring>

#include "acquire/Payload.h"

namespace ql50::acquire {
namespace {

// Readings handed to libmosquitto and not yet acknowledged; more wait in the store.
constexpr std::size_t kWindow = 64;
// Acknowledgements go to the store in batches, a transaction per batch: after a crash at most
// this much is sent again (subscribers drop repeats by their sequence number).
constexpr int kAckFlushMs = 1000;
constexpr std::size_t kAckBatch = 256;
constexpr int kStopWaitMs = 2000;
constexpr const char* kOnline = "online";
constexpr const char* kOffline = "offline";

Publisher* Self(void* object) {
    return static_cast<Publisher*>(object);
}

}  // namespace

Publisher::Publisher(const MqttConfig& config, store::Store& store, QObject* parent)
    : QObject(parent), config_(config), store_(store), ackTimer_(this) {
    ackTimer_.setSingleShot(true);
    ackTimer_.setInterval(kAckFlushMs);
    connect(&ackTimer_, &QTimer::timeout, this, &Publisher::FlushAcks);
}

Publisher::~Publisher() {
    Stop();
}

bool Publisher::Start(std::string* error) {
    mosquitto_lib_init();
    mosq_ = mosquitto_new(config_.clientId.c_str(), true, this);
    if (mosq_ == nullptr) return (*error = "cannot make an MQTT client"), false;
    mosquitto_int_option(mosq_, MOSQ_OPT_SEND_MAXIMUM, int(kWindow));
    mosquitto_reconnect_delay_set(mosq_, 1, 10, true);
    // libmosquitto's thread hands every event to this object's thread.
    mosquitto_connect_callback_set(mosq_, [](mosquitto*, void* self, int rc) {
        QMetaObject::invokeMethod(
            Self(self), [p = Self(self), rc] { p->OnConnect(rc); }, Qt::QueuedConnection);
    });
    mosquitto_disconnect_callback_set(mosq_, [](mosquitto*, void* self, int rc) {
        QMetaObject::invokeMethod(
            Self(self), [p = Self(self), rc] { p->OnDisconnect(rc); }, Qt::QueuedConnection);
    });
    mosquitto_publish_callback_set(mosq_, [](mosquitto*, void* self, int mid) {
        QMetaObject::invokeMethod(
            Self(self), [p = Self(self), mid] { p->OnPublish(mid); }, Qt::QueuedConnection);
    });
    const std::string service = ServiceTopic(config_.prefix, config_.clientId);
    int rc =
        mosquitto_will_set(mosq_, service.c_str(), int(std::strlen(kOffline)), kOffline, 1, true);
    if (rc == MOSQ_ERR_SUCCESS && config_.user)
        rc = mosquitto_username_pw_set(mosq_, config_.user->c_str(),
                                       config_.password ? config_.password->c_str() : nullptr);
    if (rc == MOSQ_ERR_SUCCESS && !config_.caFile.empty())
        rc = mosquitto_tls_set(mosq_, config_.caFile.c_str(), nullptr, nullptr, nullptr, nullptr);
    if (rc != MOSQ_ERR_SUCCESS) {
        *error = std::string("MQTT set-up: ") + mosquitto_strerror(rc);
        return false;
    }
    // A broker that is not there yet is tried again by libmosquitto's thread.
    mosquitto_connect_async(mosq_, config_.host.c_str(), config_.port, config_.keepaliveSeconds);
    rc = mosquitto_loop_start(mosq_);
    if (rc != MOSQ_ERR_SUCCESS) {
        *error = std::string("MQTT: ") + mosquitto_strerror(rc);
        return false;
    }
    started_ = true;
    return true;
}

void Publisher::Stop() {
    if (mosq_ == nullptr) return;
    // What was sent gets a moment to be acknowledged, so it need not be sent again.
    if (connected_ && !inflight_.empty()) {
        QEventLoop wait;
        QTimer limit;
        limit.setSingleShot(true);
        connect(&limit, &QTimer::timeout, &wait, &QEventLoop::quit);
        connect(this, &Publisher::drained, &wait, &QEventLoop::quit);
        limit.start(kStopWaitMs);
        wait.exec();
    }
    FlushAcks();
    if (connected_)
        mosquitto_publish(mosq_, nullptr, ServiceTopic(config_.prefix, config_.clientId).c_str(),
                          int(std::strlen(kOffline)), kOffline, 1, true);
    mosquitto_disconnect(mosq_);
    if (started_) mosquitto_loop_stop(mosq_, false);
    mosquitto_destroy(mosq_);
    mosq_ = nullptr;
    mosquitto_lib_cleanup();
    connected_ = false;
}

void Publisher::OnConnect(int rc) {
    if (rc != 0) {
        emit connectionChanged(false, QString::fromUtf8(mosquitto_connack_string(rc)));
        return;
    }
    connected_ = true;
    resending_ = !inflight_.empty();
    emit connectionChanged(true, {});
    PublishRetained(ServiceTopic(config_.prefix, config_.clientId), kOnline);
    for (const auto& [module, text] : statuses_)
        PublishRetained(StatusTopic(config_.prefix, module), text);
    Pump();
}

void Publisher::OnDisconnect(int rc) {
    if (!connected_) return;
    connected_ = false;
    emit connectionChanged(false, QString::fromUtf8(mosquitto_strerror(rc)));
}

void Publisher::OnPublish(int mid) {
    const auto it = inflight_.find(mid);
    if (it == inflight_.end()) return;  // a status message
    acked_.push_back(it->second);
    emit acknowledged(it->second);
    inflight_.erase(it);
    const bool resent = resending_ && inflight_.empty();
    if (inflight_.empty()) {
        resending_ = false;
        emit drained();
    }
    if (acked_.size() >= kAckBatch)
        FlushAcks();
    else if (!ackTimer_.isActive())
        ackTimer_.start();
    // A reading that arrives meanwhile is handed over at once: the store is asked again only
    // when readings wait there.
    if (backlog_ || resent) Pump();
}

void Publisher::Wake() {
    Pump();
}

// Hands the next queued readings to libmosquitto while fewer than the window are unanswered.
void Publisher::Pump() {
    if (!connected_ || resending_ || mosq_ == nullptr) return;
    backlog_ = true;
    while (inflight_.size() < kWindow) {
        const int wanted = int(kWindow - inflight_.size());
        const std::vector<store::Reading> next = store_.Queued(cursor_, wanted);
        for (const store::Reading& r : next) {
            const std::string payload = ReadingJson(r);
            int mid = 0;
            const int rc =
                mosquitto_publish(mosq_, &mid, ReadingTopic(config_.prefix, r.module).c_str(),
                                  int(payload.size()), payload.data(), 1, false);
            // Without a connection libmosquitto keeps the message and sends it once connected.
            if (rc != MOSQ_ERR_SUCCESS && rc != MOSQ_ERR_NO_CONN) return;
            inflight_[mid] = r.id;
            cursor_ = r.id;
        }
        if (int(next.size()) < wanted) {
            backlog_ = false;
            return;
        }
    }
}

void Publisher::FlushAcks() {
    ackTimer_.stop();
    if (acked_.empty()) return;
    // A batch the store cannot take stays queued there and is sent again after a restart.
    store_.Dequeue(acked_);
    acked_.clear();
}

void Publisher::SetStatus(const std::string& module, const std::string& text) {
    statuses_[module] = text;
    if (connected_) PublishRetained(StatusTopic(config_.prefix, module), text);
}

void Publisher::PublishRetained(const std::string& topic, const std::string& text) {
    mosquitto_publish(mosq_, nullptr, topic.c_str(), int(text.size()), text.data(), 1, true);
}

}  // namespace ql50::acquire
