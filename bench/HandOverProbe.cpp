#include "HandOverProbe.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "BenchReport.h"
#include "link/CComPort.h"
#include "link/Frame.h"
#include "link/Registers.h"
#include "sim/PtyServer.h"
#include "sim/VirtualModule.h"

namespace ql50::bench {
namespace {

const QEvent::Type kItemEvent = static_cast<QEvent::Type>(QEvent::registerEventType());
constexpr int kStreamLimitMs = 120000;

// Counts the posted items it handled and releases the poster after each one.
class ItemReceiver : public QObject {
public:
    explicit ItemReceiver(int count) : count_(count) {}
    bool event(QEvent* e) override {
        if (e->type() != kItemEvent) return QObject::event(e);
        {
            std::lock_guard lock(mutex);
            ++served;
        }
        servedChanged.notify_all();
        if (served == count_) loop.quit();
        return true;
    }
    std::mutex mutex;
    std::condition_variable servedChanged;
    int served = 0;
    QEventLoop loop;

private:
    const int count_;
};

// The channel's owner reduced to what the hand-over needs: post, serve, count.
class CountingOwner : public QObject, public PortOwner {
public:
    explicit CountingOwner(std::size_t expected) : expected_(expected) {}
    // The monitor must not post to an owner that is half gone.
    ~CountingOwner() override { port.StopMonitor(); }
    void DeliveryReady(CComPort&) override {
        QCoreApplication::postEvent(this, new QEvent(kItemEvent), Qt::HighEventPriority);
    }
    void OnPortByte(std::uint8_t) override {
        if (++bytes == expected_) loop.quit();
    }
    void OnPortError(const std::string& text, bool) override {
        error = text;
        loop.quit();
    }
    bool event(QEvent* e) override {
        if (e->type() != kItemEvent) return QObject::event(e);
        port.ServeDelivery();
        return true;
    }
    CComPort port;
    std::size_t bytes = 0;
    std::string error;
    QEventLoop loop;

private:
    const std::size_t expected_;
};

}  // namespace

double PostedEventHandOverSeconds(int count) {
    ItemReceiver receiver(count);
    std::thread poster([&] {
        for (int i = 1; i <= count; ++i) {
            QCoreApplication::postEvent(&receiver, new QEvent(kItemEvent), Qt::HighEventPriority);
            std::unique_lock lock(receiver.mutex);
            receiver.servedChanged.wait(lock, [&] { return receiver.served >= i; });
        }
    });
    const Clock::time_point start = Clock::now();
    receiver.loop.exec();
    const double seconds = SecondsSince(start);
    poster.join();
    return seconds / count;
}

StreamRun PortOnlyLoggerStream(std::size_t loggerBytes) {
    sim::VirtualModule module;
    module.SetLineRate(0);
    module.FillLoggerBytes(loggerBytes);
    sim::PtyServer server(module);
    std::string failure;
    if (!server.Start(&failure)) throw std::runtime_error("virtual module: " + failure);

    const std::size_t expected = StreamFrames(loggerBytes) * kFrameSize;
    CountingOwner owner(expected);
    if (!owner.port.Open(&owner, 1, server.SlavePath(), 115200, 'N', 8, 1, 0, 512) ||
        !owner.port.StartMonitor()) {
        throw std::runtime_error("bare port: " + owner.port.OpenErrorText());
    }
    QTimer::singleShot(kStreamLimitMs, &owner.loop, &QEventLoop::quit);
    const Frame request = BuildFrame(module.Address(), req::kLoggerStream);
    const Clock::time_point start = Clock::now();
    owner.port.QueueWrite(request.data(), request.size());
    owner.loop.exec();
    StreamRun run;
    run.seconds = SecondsSince(start);
    run.bytes = owner.bytes;
    run.frames = owner.bytes / kFrameSize;
    owner.port.StopMonitor();
    if (owner.bytes != expected) {
        throw std::runtime_error("bare port: stream incomplete " + owner.error);
    }
    return run;
}

}  // namespace ql50::bench
