// The Win32 channel: the COM device opened for overlapped I/O, its line settings, and the
// monitor thread that waits on WaitCommEvent, the shutdown event and the write event.
//
// Besides the Windows drivers it has to live with Wine's serial layer on a pseudo-terminal
// (how the channel is tested): a pending WaitCommEvent there ends with ERROR_OPERATION_ABORTED
// every few milliseconds, a read asked for more bytes than are queued does not return when its
// timeouts say so, and after a hang-up the calls fail with ERROR_NOT_READY while a pending read
// stays pending until it is cancelled. So the monitor reads exactly what ClearCommError reports
// queued, waits again after an aborted wait, and cancels what it leaves behind.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <system_error>

#include "link/CComPort.h"

namespace ql50 {
namespace {

// Bytes taken from the driver in one read, and handed over together.
constexpr DWORD kChunkSize = 512;
// Every timeout of the port, as the module's line has always been set up.
constexpr DWORD kTimeoutMs = 1000;
// A read or write that has not completed this long after its own timeouts should have ended
// it is cancelled: a device that went away can leave it pending for good.
constexpr DWORD kIoLimitMs = 15000;
// Abort and clear both directions.
constexpr DWORD kPurgeAll = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;

// The system's text for an error, as FormatMessage gives it (normally with its line break).
std::string SystemMessage(DWORD error) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&text),
        0, nullptr);
    std::string message = length > 0 && text != nullptr ? std::string(text, length)
                                                        : "Error " + std::to_string(error) + "\n";
    if (text != nullptr) LocalFree(text);
    return message;
}

// The reason of a failed Open on one line, like the other platforms give it.
std::string OneLine(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}

// Errors after which the device is gone (an unplugged adapter, a line that hung up):
// reopening is the only way on.
bool DeviceGone(DWORD error) {
    switch (error) {
        case ERROR_ACCESS_DENIED:
        case ERROR_INVALID_HANDLE:
        case ERROR_NOT_READY:
        case ERROR_BAD_COMMAND:
        case ERROR_GEN_FAILURE:
        case ERROR_DEVICE_NOT_CONNECTED:
        case ERROR_DEVICE_REMOVED:
            return true;
        default:
            return false;
    }
}

HANDLE NewEvent() {
    return CreateEventA(nullptr, TRUE, FALSE, nullptr);  // manual reset, not signalled
}

struct IoResult {
    bool ok = false;
    DWORD transferred = 0;
    DWORD error = 0;
    bool shutdown = false;
};

}  // namespace

struct CComPort::Win32Io {
    Win32Io() {
        for (OVERLAPPED* record : {&wait, &read, &write}) record->hEvent = NewEvent();
    }
    ~Win32Io() {
        for (HANDLE event : {shutdownEvent, writeEvent, wait.hEvent, read.hEvent, write.hEvent}) {
            if (event != nullptr) CloseHandle(event);
        }
    }
    Win32Io(const Win32Io&) = delete;
    Win32Io& operator=(const Win32Io&) = delete;

    bool Ready() const {
        return shutdownEvent != nullptr && writeEvent != nullptr && wait.hEvent != nullptr &&
               read.hEvent != nullptr && write.hEvent != nullptr;
    }

    // Waits for an overlapped read or write that did not complete at once. Shutdown and the
    // limit cancel it; the record is never left with an operation in flight.
    IoResult Await(OVERLAPPED& record) {
        const HANDLE handles[2] = {shutdownEvent, record.hEvent};
        const DWORD which = WaitForMultipleObjects(2, handles, FALSE, kIoLimitMs);
        IoResult result;
        if (which != WAIT_OBJECT_0 + 1) CancelIoEx(port.load(), &record);
        result.shutdown = which == WAIT_OBJECT_0;
        result.ok = GetOverlappedResult(port.load(), &record, &result.transferred, TRUE) != 0;
        if (!result.ok) result.error = GetLastError();
        return result;
    }

    // Ends a WaitCommEvent still pending, before the device is closed or the thread ends.
    void CancelWait() {
        if (!waitPending) return;
        DWORD ignored = 0;
        CancelIoEx(port.load(), &wait);
        GetOverlappedResult(port.load(), &wait, &ignored, TRUE);
        waitPending = false;
    }

    std::atomic<HANDLE> port{nullptr};
    // Shutdown first, write request last, the port's event between them: the monitor's
    // priority order.
    HANDLE shutdownEvent = NewEvent();
    HANDLE writeEvent = NewEvent();
    // One record each for the event wait, the reads and the writes: a write may start while
    // the event wait is pending.
    OVERLAPPED wait{};
    OVERLAPPED read{};
    OVERLAPPED write{};
    DWORD events = 0;
    // Monitor thread only (or after it has ended).
    bool waitPending = false;
};

CComPort::CComPort() : io_(std::make_unique<Win32Io>()) {}

CComPort::~CComPort() {
    StopMonitor();
    Close();
}

bool CComPort::IsOpen() const {
    return io_->port.load() != nullptr;
}

bool CComPort::Open(PortOwner* owner, int portNumber, const std::string& device, int baudRate,
                    char parity, int dataBits, int stopBits, std::uint32_t eventMask,
                    std::size_t writeBufferSize) {
    StopMonitor();
    Close();
    portNumber_ = portNumber;
    openFailure_ = OpenFailure::Other;
    if (owner == nullptr || !io_->Ready()) {
        openError_ = OneLine(
            SystemMessage(owner == nullptr ? ERROR_INVALID_PARAMETER : ERROR_NOT_ENOUGH_MEMORY));
        return false;
    }
    TakeOwner(owner, writeBufferSize);
    const HANDLE port = CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (port == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        openError_ = OneLine(SystemMessage(error));
        // A COM port that another program has open is refused as "access denied".
        if (error == ERROR_ACCESS_DENIED) openFailure_ = OpenFailure::InUse;
        return false;
    }
    io_->port = port;
    openError_.clear();
    openFailure_ = OpenFailure::None;
    TakeLineRate(baudRate, parity, dataBits, stopBits);
    ConfigurePort(baudRate, parity, dataBits, stopBits, eventMask);
    std::lock_guard lock(mutex_);
    PurgeComm(port, kPurgeAll);
    return true;
}

// Timeouts, line events and line settings, in this order; the first step that fails is
// reported to the owner and the rest is skipped: Open still succeeds.
void CComPort::ConfigurePort(int baudRate, char parity, int dataBits, int stopBits,
                             std::uint32_t eventMask) {
    const HANDLE port = io_->port.load();
    COMMTIMEOUTS timeouts{kTimeoutMs, kTimeoutMs, kTimeoutMs, kTimeoutMs, kTimeoutMs};
    if (!SetCommTimeouts(port, &timeouts)) return ReportNow("SetCommTimeouts()", GetLastError());
    if (!SetCommMask(port, eventMask)) return ReportNow("SetCommMask()", GetLastError());
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(port, &dcb)) return ReportNow("GetCommState()", GetLastError());
    dcb.fRtsControl = RTS_CONTROL_DISABLE;  // RTS off, as the module's line expects
    char mode[50];
    std::snprintf(mode, sizeof mode, "baud=%d parity=%c data=%d stop=%d", baudRate, parity,
                  dataBits, stopBits);
    if (!BuildCommDCBA(mode, &dcb)) return ReportNow("BuildCommDCB()", GetLastError());
    if (!SetCommState(port, &dcb)) {
        // A line without modem lines (a pseudo-terminal under Wine) refuses to clear RTS, the
        // last step of SetCommState, after everything else has been applied.
        const DWORD error = GetLastError();
        if (error != ERROR_NOT_SUPPORTED) ReportNow("SetCommState()", error);
    }
}

// A configuration failure, reported synchronously on the caller's (the owner's) thread.
void CComPort::ReportNow(const char* operation, unsigned long error) {
    owner_->OnPortError(ComposeError(operation, SystemMessage(error), portNumber_), false);
}

bool CComPort::StartMonitor() {
    if (thread_.joinable()) {
        if (threadAlive_.load()) return false;
        thread_.join();  // it ended by itself after the device went away
    }
    if (!IsOpen() || owner_ == nullptr) return false;
    {
        std::lock_guard lock(mutex_);
        shutdown_ = false;
        pending_.reset();
        DWORD errors = 0;
        COMSTAT status{};
        ClearCommError(io_->port.load(), &errors, &status);
        PurgeComm(io_->port.load(), kPurgeAll);
    }
    frameFill_ = 0;
    sinceCommand_ = 0;
    ResetEvent(io_->shutdownEvent);
    return LaunchMonitor();
}

// The Win32 monitor writes every command itself.
bool CComPort::WriteNowLocked() {
    return false;
}

// Shutdown and a write request take their turn after the hand-over of what came so far.
bool CComPort::SleepUnlessSignalled(int ms) {
    if (ms <= 0) return false;
    const HANDLE signals[2] = {io_->shutdownEvent, io_->writeEvent};
    return WaitForMultipleObjects(2, signals, FALSE, DWORD(ms)) == WAIT_TIMEOUT;
}

void CComPort::SignalShutdown() {
    SetEvent(io_->shutdownEvent);
}

void CComPort::SignalWrite() {
    SetEvent(io_->writeEvent);
}

void CComPort::ClearWriteSignal() {
    ResetEvent(io_->writeEvent);
}

void CComPort::CloseDeviceLocked() {
    if (io_->port.load() == nullptr) return;
    io_->CancelWait();
    CloseHandle(io_->port.exchange(nullptr));
}

// ---- monitor thread ----

void CComPort::MonitorThread() {
    const HANDLE events[3] = {io_->shutdownEvent, io_->wait.hEvent, io_->writeEvent};
    for (;;) {
        if (!ArmWait()) break;
        // Bytes may have come before the wait was armed, and a wait does not report them:
        // the queue is looked at before every wait.
        const Step step = ServicePort();
        if (step == Step::End) break;
        if (step == Step::Busy) continue;
        const DWORD which = WaitForMultipleObjects(3, events, FALSE, INFINITE);
        if (which == WAIT_OBJECT_0 + 1) {
            if (!FinishWait()) break;
        } else if (which == WAIT_OBJECT_0 + 2) {
            if (!WriteRequest()) break;
        } else {
            break;  // shutdown
        }
    }
    if (IsOpen()) io_->CancelWait();
    threadAlive_ = false;
}

// Starts an overlapped WaitCommEvent unless one is pending. Returns false when the thread
// has to end.
bool CComPort::ArmWait() {
    if (io_->waitPending || !IsOpen()) return IsOpen();
    io_->events = 0;
    if (WaitCommEvent(io_->port.load(), &io_->events, &io_->wait)) return true;
    const DWORD error = GetLastError();
    if (error == ERROR_IO_PENDING) {
        io_->waitPending = true;
        return true;
    }
    if (DeviceGone(error)) return CloseAndReportError("WaitCommEvent()", error);
    // A wait already under way is refused as an invalid parameter: nothing to report.
    if (error == ERROR_INVALID_PARAMETER || NarrowEventMask(error)) return true;
    return ReportError("WaitCommEvent()", error);
}

// The event wait has ended. Returns false when the thread has to end.
bool CComPort::FinishWait() {
    io_->waitPending = false;
    DWORD ignored = 0;
    // The event is set: waiting for the result returns at once. Wine may set the event a moment
    // before the result, which a look without waiting would take for an incomplete wait.
    if (GetOverlappedResult(io_->port.load(), &io_->wait, &ignored, TRUE)) return true;
    const DWORD error = GetLastError();
    // Ended without an event (a purge, a new mask, or Wine ending every wait after a few
    // milliseconds): the queue is looked at and the wait armed again.
    if (error == ERROR_OPERATION_ABORTED || NarrowEventMask(error)) return true;
    if (DeviceGone(error)) return CloseAndReportError("WaitCommEvent()", error);
    return ReportError("WaitCommEvent()", error);
}

// A line without modem lines (a pseudo-terminal under Wine) cannot wait for their events
// (EV_CTS in the owner's mask) and fails every wait as not supported: the monitor then waits
// for what it reads on, received bytes, alone.
bool CComPort::NarrowEventMask(unsigned long error) {
    DWORD mask = 0;
    if (error != ERROR_NOT_SUPPORTED || !GetCommMask(io_->port.load(), &mask)) return false;
    return mask != EV_RXCHAR && SetCommMask(io_->port.load(), EV_RXCHAR);
}

// Reads what the driver holds, at most one chunk, and hands it over in one piece. Less than a
// frame is handed over together with what comes while the rest of a frame takes on the line.
CComPort::Step CComPort::ServicePort() {
    std::array<std::uint8_t, kChunkSize> chunk{};
    DWORD got = 0;
    const Step step = ReadQueued(chunk.data(), kChunkSize, got);
    if (step != Step::Busy || got == 0) return step;
    DWORD more = 0;
    if (SleepUnlessSignalled(RestOfFrameMs(frameFill_ + got)) &&
        ReadQueued(chunk.data() + got, kChunkSize - got, more) == Step::End) {
        return Step::End;
    }
    frameFill_ = (frameFill_ + got + more) % kFrameBytes;
    if (!HandOverChunk(chunk.data(), got + more)) return Step::End;
    return Step::Busy;
}

// Reads what the driver holds, at most `room` bytes; `got` tells how many came. Idle when
// nothing was queued, Busy after a read (or a failed one, reported), End when the thread has to
// end.
CComPort::Step CComPort::ReadQueued(std::uint8_t* into, unsigned long room, unsigned long& got) {
    got = 0;
    const HANDLE port = io_->port.load();
    DWORD errors = 0;
    COMSTAT status{};
    // On an open handle this fails only when the device has gone.
    if (!ClearCommError(port, &errors, &status)) {
        CloseAndReportError("ReadFile()", GetLastError());
        return Step::End;
    }
    if (status.cbInQue == 0) return Step::Idle;
    // Exactly what is queued: a read asked for more waits for its timeouts.
    const DWORD wanted = std::min<DWORD>(status.cbInQue, room);
    IoResult result;
    if (ReadFile(port, into, wanted, nullptr, &io_->read)) {
        result.ok = GetOverlappedResult(port, &io_->read, &result.transferred, FALSE) != 0;
    } else if (const DWORD error = GetLastError(); error != ERROR_IO_PENDING) {
        return ReadFailed("ReadFile()", error);
    } else {
        result = io_->Await(io_->read);
        if (result.shutdown) return Step::End;
        if (!result.ok && result.error == ERROR_OPERATION_ABORTED) {
            return Step::Busy;  // cancelled at the limit: the queue tells what happened
        }
        if (!result.ok) return ReadFailed("GetOverlappedResults() in ReadFile()", result.error);
    }
    got = result.transferred;
    return Step::Busy;
}

// No byte is delivered for a failed read; draining goes on while bytes are queued.
CComPort::Step CComPort::ReadFailed(const char* operation, unsigned long error) {
    if (DeviceGone(error)) {
        CloseAndReportError(operation, error);
        return Step::End;
    }
    return ReportError(operation, error) ? Step::Busy : Step::End;
}

bool CComPort::WriteRequest() {
    std::array<std::uint8_t, kLongestWrite> frame{};
    DWORD length = 0;
    HANDLE port = nullptr;
    {
        std::lock_guard lock(mutex_);
        writeRequested_ = false;
        ResetEvent(io_->writeEvent);
        length = writeLength_;
        std::copy_n(writeBuffer_.begin(), length, frame.begin());
        port = io_->port.load();
        PurgeComm(port, kPurgeAll);
    }
    frameFill_ = 0;
    sinceCommand_ = 0;
    if (length == 0) return true;
    if (WriteFile(port, frame.data(), length, nullptr, &io_->write)) return true;
    const DWORD error = GetLastError();
    if (error != ERROR_IO_PENDING) {
        return DeviceGone(error) ? CloseAndReportError("WriteFile()", error)
                                 : ReportError("WriteFile()", error);  // the command is lost
    }
    const IoResult result = io_->Await(io_->write);
    if (result.shutdown) return false;
    if (result.ok) return true;
    const char* operation = "GetOverlappedResults() in WriteFile()";
    return DeviceGone(result.error) ? CloseAndReportError(operation, result.error)
                                    : ReportError(operation, result.error);
}

bool CComPort::ReportError(const char* operation, unsigned long error) {
    return Report(operation, SystemMessage(error));
}

bool CComPort::CloseAndReportError(const char* operation, unsigned long error) {
    return CloseAndReport(operation, SystemMessage(error));
}

}  // namespace ql50
