#pragma once
// The one serial channel between the PC and the module: on POSIX termios, or on the Win32
// communications functions when built for Windows. The platform is chosen at build time; this
// interface and its behaviour are the same on both.
//
// A monitor thread waits for three things in priority order: shutdown, the port, a write
// request (poll() on POSIX, WaitForMultipleObjects on Win32). What one read of the port brings is
// handed to the owner on the owner's own thread in one hand-over, and the monitor sleeps until the
// owner has handled it (or until shutdown is signalled, so StopMonitor can never deadlock). The
// owner still takes the bytes one at a time, in arrival order. Before every write both directions
// of the port are purged, so bytes the owner has not yet been handed are dropped; in the same way
// a command the owner queues while it takes a hand-over ends that hand-over: the bytes after the
// one it was taking are dropped, since they came before the command's reply.
//
// A line at its rate brings a frame byte by byte, and every hand-over wakes two threads. So when
// a read brings less than a frame, the monitor first waits as long as the rest of a frame takes
// on the line and takes what came meanwhile along: a reply costs one hand-over and is complete no
// later than its last byte. And after a hand-over that no command follows, the monitor rests for
// the line time of a few frames before it reads again, so a stream (the logger read-out) costs a
// hand-over per few frames. Shutdown and a command end either wait at once. A hand-over of more
// than twice what such a rest gathers (the bytes came faster than the line carries them, as from
// a pseudo-terminal) is not rested after.
//
// A device that goes away (hang-up, unplugged USB adapter) is reported once with
// channelClosed set; the channel then has closed the device and its monitor has ended, and the
// owner's next operation opens it again.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "link/OpenFailure.h"

namespace ql50 {

class CComPort;

// The receiver of the channel's bytes and error reports.
class PortOwner {
public:
    virtual ~PortOwner() = default;
    // Monitor thread: a delivery is waiting. Must not block; the owner arranges for
    // port.ServeDelivery() to be called soon on its own thread (for example by posting an event).
    virtual void DeliveryReady(CComPort& port) = 0;
    // Owner's thread, from ServeDelivery: the next received byte. The bytes of one hand-over
    // come in a row, each after the one before has returned.
    virtual void OnPortByte(std::uint8_t byte) = 0;
    // Owner's thread, from ServeDelivery (or from Open for a configuration failure): an error
    // report (already composed, at most 199 bytes). channelClosed is true when the channel has
    // given up the device (hang-up, device gone): it is closed already and the next operation
    // has to open it again.
    virtual void OnPortError(const std::string& text, bool channelClosed) = 0;
};

class CComPort {
public:
    CComPort();
    virtual ~CComPort();
    CComPort(const CComPort&) = delete;
    CComPort& operator=(const CComPort&) = delete;

    // Opens `device` (raw line settings from the arguments, no flow control, RTS off) for COM
    // number `portNumber` (used in error texts). Returns false only when the device cannot be
    // opened (then OpenErrorText() tells why) or `owner` is null; configuration failures are
    // reported to the owner on the caller's thread via OnPortError and still return true.
    // Stops a running monitor first; may be called again. The event mask goes to SetCommMask on
    // Win32; on POSIX it is accepted for the caller's sake: the line events are what poll()
    // reports.
    bool Open(PortOwner* owner, int portNumber, const std::string& device, int baudRate,
              char parity, int dataBits, int stopBits, std::uint32_t eventMask,
              std::size_t writeBufferSize);
    // System reason of the last failed Open ("No such file or directory").
    const std::string& OpenErrorText() const { return openError_; }
    OpenFailure OpenFailureKind() const { return openFailure_; }

    // Purges the port and starts the monitor thread. Returns whether a thread was started
    // (false when the channel is not open or a monitor already runs).
    bool StartMonitor();
    // Signals shutdown and joins the monitor thread. Returns at once when none runs.
    // Safe from the owner's thread at any time, also from inside OnPortByte/OnPortError.
    // A hand-over that the owner has not served yet is dropped, and so is the rest of one that
    // it is taking.
    void StopMonitor();
    // Closes the device (stops the monitor first).
    void Close();

    // Copies `length` bytes (taken as unsigned 8-bit, at most the write buffer's size) into the
    // write buffer and wakes the monitor, which purges the port and writes them. Does not wait.
    // A second call before the monitor has written the first replaces it. On POSIX, a command of
    // at most a frame that follows a reply the monitor handed over is purged-and-written at once
    // on the caller's thread, the monitor waiting on the port meanwhile.
    void QueueWrite(const std::uint8_t* bytes, std::size_t length);

    // Owner's thread: hands the waiting bytes or error to the owner, then releases the monitor.
    // Does nothing when nothing is waiting.
    void ServeDelivery();

    bool IsOpen() const;
    bool MonitorRunning() const { return threadAlive_.load(); }
    int PortNumber() const { return portNumber_; }

    // "WARNING:  %s Failed with the following error: \n%s\nPort: %d\n", cut to 199 bytes.
    // The system text is inserted as given; the channel passes the system's reason followed by
    // a line break, as the system formats its own messages.
    static std::string ComposeError(const std::string& operation, const std::string& systemText,
                                    int portNumber);

private:
    // One hand-over from the monitor to the owner: the bytes of one read, or an error report.
    struct Delivery {
        PortOwner* owner = nullptr;
        bool isError = false;
        std::vector<std::uint8_t> bytes;
        std::string text;
        bool channelClosed = false;
    };

    // QueueWrite takes its length as an unsigned 8-bit value: no request is ever longer.
    static constexpr std::size_t kLongestWrite = 255;
    // The module's frames: what the monitor gathers on a slow line before a hand-over, and the
    // frames whose line time it rests after one.
    static constexpr std::size_t kFrameBytes = 11;
    static constexpr std::size_t kRestFrames = 4;
    // Monitor thread only: how many bytes of the frame under way the hand-overs since the last
    // command brought, so the tail of a reply that missed the wait is not waited for as a new
    // frame. A command starts afresh: its reply starts a frame.
    std::size_t frameFill_ = 0;
    // Monitor thread only: the bytes handed over since the last command, and the count of
    // commands (commands_) that it last saw.
    std::size_t sinceCommand_ = 0;
    std::uint64_t commandsSeen_ = 0;

    // The hand-over (CComPort.cpp): the same on every platform. The reports take the system's
    // text as the system formats it, with its line break.
    bool HandOverChunk(const std::uint8_t* bytes, std::size_t count);
    bool HandOver(Delivery delivery);
    bool WriteNowLocked();
    std::uint64_t Post(Delivery delivery, bool reply);
    bool AwaitServed(std::uint64_t sequence);
    void DeliverBytes(const Delivery& delivery, std::uint64_t stops, std::uint64_t commands);
    bool ChunkGoesOn(std::uint64_t stops, std::uint64_t commands) const;
    bool Report(const char* operation, const std::string& systemText);
    bool CloseAndReport(const char* operation, const std::string& systemText);
    // Open and StartMonitor on every platform: taking the owner with a fresh write buffer
    // (under the lock), the time a byte takes on the line, and starting the monitor thread.
    void TakeOwner(PortOwner* owner, std::size_t writeBufferSize);
    void TakeLineRate(int baudRate, char parity, int dataBits, int stopBits);
    bool LaunchMonitor();
    // Milliseconds to wait for the rest of a frame once `have` bytes of it came, and to rest
    // after a hand-over of `count` bytes; 0 when there is nothing to wait for.
    int RestOfFrameMs(std::size_t have) const;
    int RestMs(std::size_t count) const;
    int LineMs(std::size_t bytes) const;

    // What each platform provides to it.
    // Sleeps `ms` unless shutdown or a write request comes first; returns whether it slept all.
    bool SleepUnlessSignalled(int ms);
    void SignalShutdown();
    void SignalWrite();       // under the lock
    void ClearWriteSignal();  // under the lock
    void CloseDeviceLocked();
    bool WriteRequest();

#ifdef _WIN32
    // The Win32 channel (CComPortWin32.cpp): the device, its events and overlapped records.
    struct Win32Io;
    enum class Step { Idle, Busy, End };
    void ConfigurePort(int baudRate, char parity, int dataBits, int stopBits,
                       std::uint32_t eventMask);
    void ReportNow(const char* operation, unsigned long error);
    void MonitorThread();
    bool ArmWait();
    Step ServicePort();
    Step ReadQueued(std::uint8_t* into, unsigned long room, unsigned long& got);
    Step ReadFailed(const char* operation, unsigned long error);
    bool FinishWait();
    bool NarrowEventMask(unsigned long error);
    bool CloseAndReportError(const char* operation, unsigned long error);
    bool ReportError(const char* operation, unsigned long error);

    std::unique_ptr<Win32Io> io_;
#else
    // The terminal set-up (CComPortTermios.cpp).
    bool CreateSignals();
    void ApplyLineSettings(int fd, int baudRate, char parity, int dataBits, int stopBits);
    void ReportNow(const char* operation, int error);

    // The monitor thread (CComPortPoll.cpp).
    void MonitorThread();
    bool ServicePort(short revents);
    bool WriteAll(int fd, const std::uint8_t* bytes, std::size_t count);
    void NoteCommand();

    std::atomic<int> fd_{-1};
    // eventfds the monitor polls besides the port: shutdown first, write request last.
    int shutdownFd_ = -1;
    int writeFd_ = -1;
#endif

    PortOwner* owner_ = nullptr;
    int portNumber_ = 0;
    std::chrono::nanoseconds byteTime_{0};  // set by Open while no monitor runs
    std::string openError_;
    OpenFailure openFailure_ = OpenFailure::None;
    std::atomic<bool> threadAlive_{false};
    std::thread thread_;

    // Guards everything below, the purge and the closing of the device by the monitor.
    std::mutex mutex_;
    std::condition_variable served_;
    std::vector<std::uint8_t> writeBuffer_;
    std::uint8_t writeLength_ = 0;
    // Written under mutex_; the owner's check after every byte of a hand-over reads it without.
    std::atomic<bool> writeRequested_{false};
    std::optional<Delivery> pending_;
    std::uint64_t handedSeq_ = 0;
    std::uint64_t servedSeq_ = 0;
    bool serving_ = false;  // the owner takes a hand-over now
    // The monitor handed over a reply and waits on the port: the owner may write the next
    // command itself (POSIX).
    bool idleAfterReply_ = false;
    // The command in the write buffer is a new one, not the rest of one the owner began.
    bool flushOnWrite_ = true;
    // Commands queued or written; a hand-over being taken ends when one comes.
    std::atomic<std::uint64_t> commands_{0};
    // Counts the stops, so a hand-over being taken ends when the monitor was stopped (and maybe
    // started again) meanwhile.
    std::atomic<std::uint64_t> stops_{0};
    std::atomic<bool> shutdown_{false};
};

}  // namespace ql50
