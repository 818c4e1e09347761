#pragma once
// The conversation with the module: owns the serial channel and the state of the exchange
// (frame assembly, reply flag, decoded module data and display texts). One request at a time:
// SendCommand, then WaitForReply, then read the decoded value. Received bytes arrive one by
// one on the UI thread; a complete valid frame is dispatched by register, and a live-value
// reply requests the next live value itself.
//
// QtCore only, no widgets: the main window renders it, tests drive it on a QCoreApplication.
#include <QObject>
#include <QString>
#include <atomic>
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
    // Ends the monitor thread (at exit); the device is closed with the channel.
    void StopMonitor() { port_.StopMonitor(); }

    // Builds the 11-byte frame, drops any partly assembled reply and queues the frame.
    void SendCommand(std::uint8_t address, std::uint8_t op, std::uint8_t type, std::uint8_t reg,
                     DataBytes data = {});
    // A named request to the module's address `deviceAddress`.
    void Send(const Request& request, DataBytes data = {}) {
        SendCommand(deviceAddress, request.op, request.type, request.reg, data);
    }
    // Send, then WaitForReply: true when a reply came.
    bool Ask(const Request& request, DataBytes data = {}) {
        Send(request, data);
        return WaitForReply() != 0;
    }
    // The data bytes of the last command sent (some commands resend whatever the buffer held).
    const DataBytes& lastCommandData() const { return lastData_; }
    // Sets replyPending and waits until a reply clears it or the whole-second deadline
    // (now + 3 s) is reached: more than 2 and at most 3 seconds. Returns 1 or 0.
    int WaitForReply();
    // Waits the given whole seconds (more than n-1, at most n) while serving every event.
    void PumpDelay(int seconds);

    // Conversation state read and written by the windows.
    std::uint8_t deviceAddress = 0;
    CModulDaten modul;
    ReplyTexts texts;
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

    // PortOwner (called by the channel).
    void DeliveryReady(CComPort& port) override;
    void OnPortByte(std::uint8_t byte) override;
    void OnPortError(const std::string& text, bool channelClosed) override;

signals:
    // The decoded data changed in a way the window shows at once (end of a live chain,
    // calibration value 1, the logger clock texts): transfer members to controls.
    void refreshDisplay();
    // A register-54 frame of a logger read-out, after replyPending was cleared.
    void loggerFrame(const ql50::Frame& frame);
    // The module announced a watchdog reset: `line` is the event-log line (also the status text).
    void watchdogNotice(const QByteArray& line);
    // The channel reports a system error (shown in the "Application Error" box). When
    // `channelClosed` is set the device is gone and the next operation reopens it.
    void portError(const QString& text, bool channelClosed);

protected:
    bool event(QEvent* e) override;

private:
    void Dispatch(const Frame& frame);

    CComPort port_;
    std::atomic<unsigned> noticesPosted_{0};  // see DeliveryReady
    FrameAssembler assembler_;
    DataBytes lastData_{};
    std::optional<std::chrono::steady_clock::time_point> lastLiveCycle_;
    bool replyPending_ = false;
    bool portOpen_ = false;
    std::map<int, std::string> portMap_;
};

}  // namespace ql50
