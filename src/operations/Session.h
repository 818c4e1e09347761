#pragma once
// One module on one line: the line (its port and rate), the module's bus address, the
// conversation with it and what the module reported (CModulDaten). Every request sequence the
// program sends is an operation on a Session (LiveOps.h, LoggerOps.h, LoggerReadout.h,
// CalibrationOps.h, ConfigOps.h, FactoryOps.h); the windows, ql50-cli and ql50d call them and
// never talk to the module themselves. Operations never show anything: they return an Outcome
// and report progress through callbacks or signals.
//
// A session lives on the thread that made it; its waits serve that thread's events (received
// bytes, timers, paints and clicks), so a window stays usable while it waits. Several sessions
// may live in one process, each with its own line and monitor thread; sessions that must not
// wait for one another (one per line in ql50d) live on threads of their own.
#include <QObject>
#include <QString>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "link/Frame.h"
#include "link/ModulDaten.h"
#include "link/OpenFailure.h"
#include "operations/Outcome.h"

namespace ql50 {

class CConversation;
struct Request;

class Session : public QObject {
    Q_OBJECT
public:
    explicit Session(QObject* parent = nullptr);
    ~Session() override;

    // --- The line ----------------------------------------------------------------------
    // COM n is a name: COMn is /dev/ttyS(n-1) unless mapped here (from the command line, or
    // the device a port search assigned). A mapping with a rate (not 0) also sets the line's
    // rate for COM n; a mapping without one leaves the rate to the caller of Open.
    void MapPort(int portNumber, const std::string& device, int baudRate = 0);
    std::string DeviceForPort(int portNumber) const;
    // The rate COM n was mapped with; 0 when none.
    int RateForPort(int portNumber) const;
    // Opens COM(portIndex + 1) at its mapped rate, else at `baudRate`, 8N1, unless the line is
    // open: Done, or NoPort with `failure` the message for the user ("COM n kann nicht geöffnet
    // werden." and the device with the system's reason on a second line).
    Outcome Open(int portIndex, int baudRate, QString* failure = nullptr);
    bool IsOpen() const;
    // Why the last Open failed (another program holds the line, no permission, ...) and the
    // system's reason.
    OpenFailure openFailure() const;
    std::string openErrorText() const;
    // The last Open reported a failure of the line settings to portError (a device that is no
    // terminal, a rate the device refuses); the line is open but no module will answer on it.
    bool lineSettingsFailed() const;
    // Closes the line; the next Open opens it again.
    void Close();

    // --- The module --------------------------------------------------------------------
    std::uint8_t address() const;
    // Every later request goes to this bus address (0 to 31, or 255 for all).
    void SetAddress(std::uint8_t address);
    // What the module reported last. Only replies and operations change it.
    const CModulDaten& module() const;
    // When the live-value chain last completed; nothing after ForgetLiveCycle.
    std::optional<std::chrono::steady_clock::time_point> lastLiveCycle() const;
    void ForgetLiveCycle();

    // Waits the given whole seconds (more than n-1, at most n) while serving every event: the
    // settle times of the program (replies still under way are handled before a display clears).
    void PumpDelay(int seconds);

    // --- For the operations (src/operations) only ---------------------------------------
    // Outside the operations layer the conversation's type is incomplete: nothing above it
    // talks to the module directly.
    CConversation& conversation() { return *conv_; }
    const CConversation& conversation() const { return *conv_; }
    // How a request that went unanswered ended: LineLost when the line is gone, else NoReply.
    Outcome Unanswered() const;
    // While an exchange that must not be disturbed runs (a read-back), poll ticks are skipped.
    bool exclusive() const { return exclusive_ > 0; }
    class Exclusive {
    public:
        explicit Exclusive(Session& s) : s_(s) { ++s_.exclusive_; }
        ~Exclusive() { --s_.exclusive_; }
        Exclusive(const Exclusive&) = delete;
        Exclusive& operator=(const Exclusive&) = delete;

    private:
        Session& s_;
    };

signals:
    // The module data changed in a way a window shows at once (end of a live chain,
    // calibration value 1, the logger clock).
    void refreshDisplay();
    // The live-value chain completed: six fresh values in module().
    void liveCycle();
    // The module announced a watchdog reset: `line` is the event-log line (Windows-1252).
    void watchdogNotice(const QByteArray& line);
    // The module sent its status on its own (module().status).
    void statusReport();
    // The line reports a system error (the "Application Error" box). With `channelClosed` the
    // device is gone and the next operation opens it again.
    void portError(const QString& text, bool channelClosed);
    // A frame of a logger stream (for LoggerReadout).
    void loggerFrame(const ql50::Frame& frame);

private:
    std::unique_ptr<CConversation> conv_;
    std::map<int, int> rates_;  // COM number -> rate of its mapping
    int exclusive_ = 0;
};

}  // namespace ql50
