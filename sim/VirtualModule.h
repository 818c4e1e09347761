#pragma once
// The virtual measuring module: takes the bytes the program sends and returns the bytes the
// module answers. It keeps its parameter and value registers as data bytes, measures a
// simulated sample with its own calibration values, runs a clock and a data logger, and can
// misbehave on demand. All members are safe to call from any thread: a server thread may feed
// it while a test changes it.
#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "link/Frame.h"
#include "link/Registers.h"
#include "sim/DataLogger.h"
#include "sim/Faults.h"
#include "sim/LineResponder.h"
#include "sim/MeasurementModel.h"
#include "sim/ModuleClock.h"
#include "sim/RequestAssembler.h"
#include "sim/TimeSource.h"

namespace ql50::sim {

// The logger of a new module holds three days of records at its interval.
inline constexpr std::size_t kInitialLoggerRecords = 3 * 24 * 4;

class VirtualModule : public LineResponder {
public:
    explicit VirtualModule(TimeSource source = SystemTime);

    // Bytes received from the program; returns the module's answer bytes in sending order.
    std::vector<std::uint8_t> Receive(const std::uint8_t* data, std::size_t size) override;

    // --- Set-up -------------------------------------------------------------------------
    // Measurement-type index 0..7; other values are ignored. Each type keeps its own set of
    // calibration values, which registers 32 to 35 show while the type is selected.
    void SetType(int typeIndex);
    int Type() const;
    void SetAddress(std::uint8_t address);
    std::uint8_t Address() const;
    // Parameter registers as data bytes; writing goes through the same path as a write
    // command from the program, with the same effects.
    DataBytes Parameter(std::uint8_t reg) const;
    void SetParameter(std::uint8_t reg, const DataBytes& data);
    // Puts the sensor into a solution of the given value (unit of live value 1), as for a
    // calibration; std::nullopt returns it to the slowly drifting sample.
    void Immerse(std::optional<double> sample);
    LiveValues CurrentLiveValues() const;
    CivilTime ClockNow() const;

    // --- Data logger --------------------------------------------------------------------
    std::size_t LoggerByteCount();
    std::vector<std::uint8_t> LoggerBytes();
    void ClearLogger();
    // Replaces the logger contents with records ending at the clock's last interval
    // boundary, going back one interval per record. At most the capacity is filled.
    void FillLoggerRecords(std::size_t records);
    void FillLoggerBytes(std::size_t bytes);

    // --- Faults -------------------------------------------------------------------------
    // A silent module neither answers nor acts on anything it receives.
    void SetSilent(bool silent);
    // Requests for this operation and register are ignored (neither executed nor answered).
    void SilenceRegister(std::uint8_t op, std::uint8_t reg);
    // Requests for this operation and register are answered but not carried out: a write is
    // acknowledged and not kept.
    void AcknowledgeOnly(std::uint8_t op, std::uint8_t reg);
    void ClearSilencedRegisters();
    // Every reply goes out with a wrong checksum while set.
    void SetBadChecksum(bool bad);
    // One stray byte before the next reply.
    void InjectStrayByte();
    // A watchdog notice before the next reply.
    void QueueWatchdogNotice();
    // A watchdog notice at once, on its own (picked up by the server through TakeUnsolicited).
    void SendWatchdogNoticeNow();
    // A watchdog notice every `period` on its own; zero switches it off.
    void SetWatchdogPeriod(std::chrono::seconds period);
    // Reply timing, carried out by whoever moves the bytes (the pty server).
    void SetReplyDelay(std::chrono::milliseconds delay);
    std::chrono::milliseconds ReplyDelay() const override;
    // Line-rate pacing: bytes per second = baud / 10; baud 0 sends unpaced.
    void SetLineRate(unsigned baud);
    unsigned BytesPerSecond() const override;
    // A module set to `baud` makes no sense of requests sent at another rate: while the line
    // runs at another rate it ignores them (the pty server reads the line's rate). 0: it hears
    // every rate, as the virtual module does by default.
    void SetStrictRate(unsigned baud);
    bool HearsLineRate(unsigned lineBaud) const override;

    // --- For the server -----------------------------------------------------------------
    // Bytes the module sends on its own now (watchdog notices).
    std::vector<std::uint8_t> TakeUnsolicited() override;
    // Time until TakeUnsolicited will have something; nullopt when nothing is scheduled.
    std::optional<std::chrono::milliseconds> TimeUntilUnsolicited() const override;
    // Called (under the module's lock, so it must not call back) when unsolicited bytes
    // become due at once.
    void SetNotifier(std::function<void()> notifier) override;

private:
    using ValueRead = DataBytes (VirtualModule::*)(const Frame&);
    using ValueWrite = void (VirtualModule::*)(const Frame&);
    struct ValueHandler {
        std::uint8_t first;
        std::uint8_t last;
        ValueRead read;    // nullptr: the stored bytes
        ValueWrite write;  // nullptr: store the bytes
    };
    static const ValueHandler* FindValueHandler(std::uint8_t reg);

    void Answer(const Frame& request, std::vector<std::uint8_t>& out);
    std::vector<Frame> Execute(const Frame& request);
    Frame Reply(const Frame& request, const DataBytes& data) const;
    std::vector<Frame> LoggerStream(const Frame& request);

    DataBytes ReadLive(const Frame& request);
    DataBytes ReadLoggerLevel(const Frame& request);
    DataBytes ReadNextAlarm(const Frame& request);
    DataBytes ReadDate(const Frame& request);
    DataBytes ReadTime(const Frame& request);
    DataBytes ReadRaw(const Frame& request);
    DataBytes Echo(const Frame& request);
    DataBytes SelectTypeCommand(const Frame& request);
    void WriteLoggerCommand(const Frame& request);
    void WriteDate(const Frame& request);
    void WriteTime(const Frame& request);
    void IgnoreWrite(const Frame& request);

    void WriteParameter(std::uint8_t reg, const DataBytes& data);
    void SelectType(int typeIndex);
    int CurrentType() const;
    ModuleSettings Settings() const;
    LiveValues LiveValuesAt(std::chrono::sys_seconds moduleTime) const;
    double ClockSeconds() const;

    // The logger catches up with the clock lazily, before anything looks at it.
    std::optional<std::int64_t> CurrentBoundary() const;
    void UpdateLogger();
    void RebaseLogger();
    LoggerSample SampleAtBoundary(std::int64_t boundary, unsigned interval) const;
    std::vector<LoggerSample> SamplesUpToNow(std::size_t count) const;

    mutable std::mutex mutex_;
    TimeSource source_;
    ModuleClock clock_;
    DataLogger logger_;
    RequestAssembler assembler_;
    std::array<DataBytes, 256> parameters_{};
    std::array<DataBytes, 256> values_{};
    std::array<CalibrationValues, kTypeCount> calibrations_{};
    std::optional<double> immersion_;
    std::optional<std::int64_t> lastBoundary_;

    Faults faults_;
    std::function<void()> notifier_;
};

}  // namespace ql50::sim
