#pragma once
// The owner's side of the serial channel in tests, on every platform.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "link/CComPort.h"
#include "support/Bytes.h"

namespace ql50::porttest {

using test::Bytes;

// Serves each hand-over on its own thread after DeliveryReady, and records what it was given.
// Hold() keeps it from serving, like a user-interface thread that is busy elsewhere.
class TestOwner : public PortOwner {
public:
    struct Report {
        std::string text;
        bool channelClosed = false;
        std::thread::id thread;
    };

    TestOwner() : server_([this] { Serve(); }) {}
    ~TestOwner() override { Stop(); }

    void Stop() {
        Update([this] { stop_ = true; });
        if (server_.joinable()) server_.join();
    }
    void Hold() {
        Update([this] { held_ = true; });
    }
    void Release() {
        Update([this] { held_ = false; });
    }
    // Forgets notices not served yet (their channel is gone).
    void DropNotices() {
        Update([this] { queued_ = 0; });
    }
    // Runs `task` on the serving thread, the owner's thread, and waits for it: the channel
    // expects Open, StartMonitor and StopMonitor from one thread.
    void Call(std::function<void()> task) {
        std::unique_lock lock(mutex_);
        task_ = std::move(task);
        wake_.notify_all();
        wake_.wait(lock, [this] { return !task_; });
    }
    // Runs on the serving thread inside OnPortByte; set before any traffic.
    void SetByteHook(std::function<void(std::uint8_t)> hook) { hook_ = std::move(hook); }

    void DeliveryReady(CComPort& port) override {
        Update([&] { port_ = &port, ++notices_, ++queued_; });
    }
    void OnPortByte(std::uint8_t byte) override {
        Update([&] { bytes_.push_back(byte); });
        if (hook_) hook_(byte);
    }
    void OnPortError(const std::string& text, bool channelClosed) override {
        Update([&] { reports_.push_back({text, channelClosed, std::this_thread::get_id()}); });
    }

    // Reads recorded state under the lock.
    template <class Read>
    auto Locked(Read read) const {
        std::lock_guard lock(mutex_);
        return read();
    }

    Bytes ReceivedBytes() const {
        return Locked([this] { return bytes_; });
    }
    std::vector<Report> Reports() const {
        return Locked([this] { return reports_; });
    }
    std::size_t Notices() const {
        return Locked([this] { return notices_; });
    }
    std::thread::id ServingThread() const { return server_.get_id(); }
    // Every notice so far has been served.
    bool Idle() const {
        return Locked([this] { return queued_ == 0 && served_ == notices_; });
    }

private:
    // Changes the state under the lock, then wakes the serving thread.
    template <class Change>
    void Update(Change change) {
        {
            std::lock_guard lock(mutex_);
            change();
        }
        wake_.notify_all();
    }
    void Serve() {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return stop_ || task_ || (queued_ > 0 && !held_); });
            if (stop_) return;
            if (task_) {
                lock.unlock();
                task_();
                lock.lock();
                task_ = nullptr;
                wake_.notify_all();
                continue;
            }
            --queued_;
            CComPort* port = port_;
            lock.unlock();
            port->ServeDelivery();
            lock.lock();
            ++served_;
        }
    }

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    CComPort* port_ = nullptr;
    std::size_t notices_ = 0;
    std::size_t queued_ = 0;
    std::size_t served_ = 0;
    bool held_ = false;
    bool stop_ = false;
    Bytes bytes_;
    std::vector<Report> reports_;
    std::function<void(std::uint8_t)> hook_;
    std::function<void()> task_;
    std::thread server_;
};

}  // namespace ql50::porttest
