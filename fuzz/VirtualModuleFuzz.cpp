// The virtual module's request handling: bytes in, replies out, over several requests, and the
// replies taken in by the program's receiver, reply dispatch and logger read-out.
//
// Input: one mode byte, then the bytes the program sends.
//   bit 0     requests: the rest is a series of 9 bytes each, a pause (its square in seconds on
//             the module's clock) and the eight bytes address .. d3 of a request whose start
//             byte, checksum and end byte are added; otherwise the rest is sent as it is
//   bit 1     every reply goes out with a wrong checksum
//   bit 2     a stray byte before the next reply
//   bit 3     a watchdog notice before the next reply, and one every minute on its own
//   bits 4-6  the measurement type the module starts with
//   bit 7     the module starts with an empty logger
// Without faults every reply is a valid frame that the program takes in, and a logger read-out
// brings every record the logger holds into the export file.
#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

#include "formats/LoggerRecords.h"
#include "fuzz/Check.h"
#include "link/FrameAssembler.h"
#include "link/RegisterCatalogue.h"
#include "link/Registers.h"
#include "sim/VirtualModule.h"
#include "tables/MessTypen.h"

namespace ql50::fuzz {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using TimePoint = std::chrono::system_clock::time_point;

constexpr std::size_t kRequestBytes = 9;

bool IsFrame(const Bytes& bytes, std::size_t at) {
    std::uint8_t sum = 0;
    for (std::size_t i = 1; i <= 8; ++i) sum ^= bytes[at + i];
    return bytes[at] == 0x28 && bytes[at + 10] == 0x29 && bytes[at + 9] == sum;
}

Frame FrameAt(const Bytes& bytes, std::size_t at) {
    Frame frame;
    std::copy_n(bytes.begin() + static_cast<long>(at), kFrameSize, frame.begin());
    return frame;
}

class Harness {
public:
    explicit Harness(std::uint8_t mode)
        : faults_((mode & 0x0E) != 0), module_([now = now_] { return *now; }) {
        module_.SetBadChecksum((mode & 2) != 0);
        if ((mode & 4) != 0) module_.InjectStrayByte();
        if ((mode & 8) != 0) {
            module_.QueueWatchdogNotice();
            module_.SetWatchdogPeriod(60s);
        }
        module_.SetType((mode >> 4) & 7);
        if ((mode & 0x80) != 0) module_.ClearLogger();
    }

    void SendRaw(const std::uint8_t* data, std::size_t size) {
        const Bytes out = module_.Receive(data, size);
        if (faults_) return TakeIn(out, out.size() / kFrameSize);
        QL50_FUZZ_CHECK(out.size() % kFrameSize == 0);
        // A write of the bus address among the requests changes the address of later replies.
        for (std::size_t at = 0; at < out.size(); at += kFrameSize)
            QL50_FUZZ_CHECK(IsFrame(out, at));
        TakeIn(out, out.size() / kFrameSize);
    }

    void SendRequest(const std::uint8_t* nine) {
        *now_ += std::chrono::seconds{nine[0] * nine[0]};
        const Frame request =
            BuildFrame(nine[1], nine[2], nine[3], nine[4], {nine[5], nine[6], nine[7], nine[8]});
        const std::uint8_t op = request[kPosOp], reg = request[kPosRegister];
        const bool addressed =
            request[kPosAddress] == 0 || request[kPosAddress] == module_.Address();
        const bool stream = op == kReadValue && reg == kValueLoggerData;
        clockBefore_ = module_.ClockNow();
        // Brings the logger up to the clock, as receiving does.
        const std::size_t level = module_.LoggerByteCount();
        const Bytes logger = stream ? module_.LoggerBytes() : Bytes{};
        const Bytes out = module_.Receive(request.data(), request.size());
        const std::size_t replies = !addressed || op > kWriteParam ? 0
                                    : stream                       ? 1 + (level + 1) / 2
                                                                   : 1;
        if (faults_) {
            QL50_FUZZ_CHECK(out.size() >= replies * kFrameSize);
            TakeIn(out, replies);
        } else {
            QL50_FUZZ_CHECK(out.size() == replies * kFrameSize);
            for (std::size_t at = 0; at < out.size(); at += kFrameSize)
                CheckReply(request, FrameAt(out, at), at / kFrameSize, level);
            TakeIn(out, replies);
            if (stream && replies > 0) CheckExport(logger);
        }
        if (addressed && op == kWriteValue) CheckClock(request);
        const Bytes unsolicited = module_.TakeUnsolicited();
        QL50_FUZZ_CHECK(unsolicited.empty() ||
                        std::equal(unsolicited.begin(), unsolicited.end(),
                                   sim::kWatchdogNotice.begin(), sim::kWatchdogNotice.end()));
    }

private:
    // The reply to `request`, the `index`th of its replies.
    void CheckReply(const Frame& request, const Frame& reply, std::size_t index,
                    std::size_t level) {
        QL50_FUZZ_CHECK(FrameIsValid(reply) && reply[kPosAddress] == module_.Address());
        for (const std::size_t pos : {kPosOp, kPosType, kPosRegister})
            QL50_FUZZ_CHECK(reply[pos] == request[pos]);
        const std::uint8_t op = request[kPosOp];
        if (op == kWriteValue || op == kWriteParam)  // acknowledgements echo the data written
            QL50_FUZZ_CHECK(FrameData(reply) == FrameData(request));
        if (op == kReadValue && request[kPosRegister] == kValueDate) {
            // A read of the date answers day, month, year - 2000 (a write takes year - 2000,
            // day, month).
            const sim::CivilTime now = module_.ClockNow();
            const DataBytes date{std::uint8_t(now.day), std::uint8_t(now.month),
                                 std::uint8_t(now.year - 2000), 0};
            QL50_FUZZ_CHECK(FrameData(reply) == date);
        }
        if (op == kReadValue && request[kPosRegister] == kValueLoggerData) {
            // The acknowledgement, then the count of logger bytes sent up to this frame as
            // d0 + 255 * d1, with d1 wrapping beyond 255.
            const std::size_t sent = std::min(2 * index, level);
            const std::size_t counted = sent % 255 + 255 * (sent / 255 % 256);
            QL50_FUZZ_CHECK(index > 0 || FrameData(reply) == DataBytes{});
            QL50_FUZZ_CHECK(index == 0 ||
                            LoggerBytePosition(reply[kPosD0], reply[kPosD1]) == counted);
        }
    }

    // Setting the clock: a valid time of day or date reads back as set (the clock stands still
    // until the next pause), an invalid one leaves the clock as it was.
    void CheckClock(const Frame& request) {
        const sim::CivilTime now = module_.ClockNow();
        const auto d = FrameData(request);
        if (request[kPosRegister] == kValueTime) {
            const bool valid = d[0] < 24 && d[1] < 60 && d[2] < 60;
            QL50_FUZZ_CHECK(!valid ||
                            (now.hour == d[0] && now.minute == d[1] && now.second == d[2]));
            QL50_FUZZ_CHECK(valid || SameClock(now, clockBefore_));
        }
        if (request[kPosRegister] == kValueDate) {
            // The date goes as year - 2000, day, month.
            const std::chrono::year_month_day date{
                std::chrono::year{2000 + d[0]}, std::chrono::month{d[2]}, std::chrono::day{d[1]}};
            QL50_FUZZ_CHECK(!date.ok() ||
                            (now.year == 2000 + d[0] && now.month == d[2] && now.day == d[1]));
            QL50_FUZZ_CHECK(date.ok() || SameClock(now, clockBefore_));
        }
    }

    static bool SameClock(const sim::CivilTime& a, const sim::CivilTime& b) {
        return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
               a.minute == b.minute && a.second == b.second;
    }

    // The program takes the bytes in as during a read-out: every request restarts the receiver,
    // and it finds its step again after a bad block.
    void TakeIn(const Bytes& out, std::size_t expectedFrames) {
        rx_.Reset();
        rx_.SetResync(true);
        records_.Reset();
        exported_.clear();
        bool armed = false;
        std::size_t frames = 0;
        for (const std::uint8_t byte : out) {
            if (rx_.Push(byte) != RxEvent::ValidFrame) continue;
            ++frames;
            const ReplyOutcome outcome = DispatchReply(rx_.rxFrame(), modul_);
            QL50_FUZZ_CHECK(modul_.moduleType < kMessTypen.size());
            if (!outcome.loggerFrame) continue;
            if (!armed) {
                armed = true;
                continue;
            }
            const Frame& frame = rx_.rxFrame();
            // The lines themselves are the concern of the record targets.
            if (const auto record = records_.Push(frame[kPosD2], frame[kPosD3]))
                exported_.push_back(*record);
        }
        if (!faults_) QL50_FUZZ_CHECK(frames == expectedFrames && !rx_.frameError());
    }

    // The read-out's export holds exactly the logger's records, in order.
    void CheckExport(const Bytes& logger) {
        QL50_FUZZ_CHECK(logger.size() % kLoggerRecordSize == 0);
        QL50_FUZZ_CHECK(exported_.size() == logger.size() / kLoggerRecordSize);
        QL50_FUZZ_CHECK(records_.droppedRecords() == 0);
        for (std::size_t i = 0; i < exported_.size(); ++i)
            QL50_FUZZ_CHECK(std::equal(exported_[i].begin(), exported_[i].end(),
                                       logger.begin() + static_cast<long>(i * kLoggerRecordSize)));
    }

    const bool faults_;
    // A clock that moves only when the input pauses: 2024-03-05 10:07:00 UTC at the start.
    std::shared_ptr<TimePoint> now_ = std::make_shared<TimePoint>(
        std::chrono::sys_days{std::chrono::year{2024} / 3 / 5} + 10h + 7min);
    sim::VirtualModule module_;
    FrameAssembler rx_;
    CModulDaten modul_;
    LoggerRecordAssembler records_;
    std::vector<LoggerRecord> exported_;
    sim::CivilTime clockBefore_;
};

}  // namespace
}  // namespace ql50::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t mode = data[0];
    ql50::fuzz::Harness harness(mode);
    if ((mode & 1) == 0) {
        harness.SendRaw(data + 1, size - 1);
        return 0;
    }
    for (std::size_t at = 1; at + ql50::fuzz::kRequestBytes <= size;
         at += ql50::fuzz::kRequestBytes)
        harness.SendRequest(data + at);
    return 0;
}
