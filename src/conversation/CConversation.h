#pragma once
// The conversation with the module: owns the serial channel and the state of the exchange
// (frame assembly, reply flag, decoded module data). One request at a time: SendCommand, then
// WaitForReply, then read the decoded value. Received bytes arrive one by one on the owner's
// thread; a complete valid frame is dispatched by register, and a live-value reply requests the
// next live value itself.
//
// QtCore only, no widgets. Only the operations layer (src/operations) uses it: a Session owns
// one conversation, and several sessions may live in one process, each on its own line and, if
// wanted, on its own thread (every wait pumps the events of the thread it runs on).
#include <QObject>
#include <QString>
#include <chrono>
#include <map>
#include <optional>
#include <string>

#include "link/CComPort.h"
#include "link/FrameAssembler.h"
#include "link/ModulDaten.h"
#include "link/RegisterCatalogue.h"
#include "link/Registers.h"

namespace ql50 {

class CConversation : public QObject, public PortOwner {
    Q_OBJECT
public:
    explicit CConversation(QObject* parent = nullptr);
    ~CConversation() override;

    // COM n is a name: COMn is /dev/ttyS(n-1) unless mapped (from the command line).
    void MapPort(int portNumber, const std::string& device) { portMap_[portNumber] = device; }
    std::string DeviceForPort(int portNumber) const;

    // Opens the channel on COM(portIndex + 1) at `baudRate`, 8N1, unless it is open already.
    // On failure returns false and fills `failure` with the message for the user.
    bool EnsurePortOpen(int portIndex, int baudRate, QString* failure);
    bool portOpen() const { return portOpen_; }
    // Why the last EnsurePortOpen failed, and the system's reason.
    OpenFailure openFailure() const { return port_.OpenFailureKind(); }
    const std::string& openErrorText() const { return port_.OpenErrorText(); }
    // The last opening of the line reported a failure of its line settings (a device that is
    // no terminal, a rate the device refuses): the report went to portError.
    bool lineSettingsFailed() const { return lineSettingsFailed_; }
    // Ends the monitor thread (at exit); the device is closed with the channel.
    void StopMonitor() { port_.StopMonitor(); }
    // Closes the device; the next EnsurePortOpen opens it again.
    void Close() {
        port_.Close();
        portOpen_ = false;
    }

    // Builds the 11-byte frame, drops any partly assembled reply and queues the frame.
    void SendCommand(std::uint8_t address, std::uint8_t op, std::uint8_t type, std::uint8_t reg,
                     DataBytes data = {});
    // A named request to the module's address.
    void Send(const Request& request, DataBytes data = {}) {
        SendCommand(deviceAddress_, request.op, request.type, request.reg, data);
    }
    // Send, then WaitForReply: true when a reply came.
    bool Ask(const Request& request, DataBytes data = {}) {
        Send(request, data);
        return WaitForReply() != 0;
    }
    // Sets replyPending and waits until a reply clears it or the whole-second deadline
    // (now + 3 s) is reached: more than 2 and at most 3 seconds. A line that goes away ends the
    // wait at once. Returns 1 or 0.
    int WaitForReply();
    // Send, then wait for the reply to this very request (operation and register), which the
    // replies to other requests (a live chain still under way) do not end. True when it came.
    bool AskExactly(const Request& request, DataBytes data = {});
    // As AskExactly, but the wait ends after `wait` of steady time: the short waits of a port
    // search, which only need a frame's time on the line.
    bool AskWithin(const Request& request, std::chrono::milliseconds wait);
    // The address byte of the last reply dispatched: the module's own bus address.
    std::uint8_t lastReplyAddress() const { return lastReplyAddress_; }
    // Waits the given whole seconds (more than n-1, at most n) while serving every event.
    void PumpDelay(int seconds);

    std::uint8_t deviceAddress() const { return deviceAddress_; }
    void SetDeviceAddress(std::uint8_t address) { deviceAddress_ = address; }
    const CModulDaten& modul() const { return modul_; }
    CModulDaten& modul() { return modul_; }

    bool replyPending() const { return replyPending_; }
    bool frameError() const { return assembler_.frameError(); }
    void ClearFrameError() { assembler_.ClearFrameError(); }
    const FrameAssembler& assembler() const { return assembler_; }
    // When the live-value chain last completed (its temperature reply); nothing after Forget.
    std::optional<std::chrono::steady_clock::time_point> lastLiveCycle() const {
        return lastLiveCycle_;
    }
    void ForgetLiveCycle() { lastLiveCycle_.reset(); }
    // While a stream of replies to one command runs, the receiver finds its step again after a
    // bad block instead of losing the rest of the stream.
    void SetStreaming(bool on) { assembler_.SetResync(on); }
    // While off, a live-value reply does not ask for the next live value: the chain ends there.
    void SetLiveChain(bool on) { liveChain_ = on; }

    // PortOwner (called by the channel).
    void DeliveryReady(CComPort& port) override;
    void OnPortByte(std::uint8_t byte) override;
    void OnPortError(const std::string& text, bool channelClosed) override;

signals:
    // The decoded data changed in a way the window shows at once (end of a live chain,
    // calibration value 1, the logger clock): show the module data.
    void refreshDisplay();
    // The live-value chain completed: six fresh values.
    void liveCycle();
    // A register-54 frame of a logger read-out, after replyPending was cleared.
    void loggerFrame(const ql50::Frame& frame);
    // The module announced a watchdog reset: `line` is the event-log line.
    void watchdogNotice(const QByteArray& line);
    // The module sent its status on its own (modul().status).
    void statusReport();
    // The channel reports a system error (shown in the "Application Error" box). When
    // `channelClosed` is set the device is gone and the next operation reopens it.
    void portError(const QString& text, bool channelClosed);

protected:
    bool event(QEvent* e) override;

private:
    void Dispatch(const Frame& frame);
    // The last reply dispatched answers this request (its operation and register).
    bool Answered(const Request& request) const;

    CComPort port_;
    FrameAssembler assembler_;
    CModulDaten modul_;
    std::uint8_t deviceAddress_ = 0;
    std::optional<std::chrono::steady_clock::time_point> lastLiveCycle_;
    // The last reply dispatched (operation, register), for AskExactly.
    std::optional<std::pair<std::uint8_t, std::uint8_t>> lastReply_;
    std::uint8_t lastReplyAddress_ = 0;
    bool replyPending_ = false;
    bool portOpen_ = false;
    bool lineSettingsFailed_ = false;
    bool opening_ = false;
    bool liveChain_ = true;
    std::map<int, std::string> portMap_;
};

}  // namespace ql50
