// The received byte stream as the program takes it in: frame assembly with the module's watchdog
// notice, the dispatch of every valid reply into the module data (and the texts shown of it), and
// during a logger read-out the record assembly and the export lines.
//
// Input: one mode byte, then the bytes as they arrive from the module.
//   bit 0     a logger read-out runs: the receiver finds its step again after a bad block, the
//             first logger frame (the acknowledgement) arms the read-out and the following ones
//             go to the record assembly
//   bits 1-7  n: a live poll tick after every 11 * n received bytes (0: none). A tick after a
//             bad block only clears the error; otherwise it sends a request.
// Every request sent restarts the receiver's count, the next one of the live chain included.
#include <algorithm>
#include <ctime>
#include <string>
#include <string_view>

#include "formats/DisplayTexts.h"
#include "formats/LoggerRecords.h"
#include "fuzz/Check.h"
#include "fuzz/LoggerLine.h"
#include "link/FrameAssembler.h"
#include "link/RegisterCatalogue.h"
#include "link/Registers.h"
#include "tables/MessTypen.h"

namespace ql50::fuzz {
namespace {

bool Printable(std::string_view text, std::string_view alsoAllowed = {}) {
    for (const char c : text) {
        const bool visible = c >= 0x20 && c <= 0x7E;
        if (!visible && alsoAllowed.find(c) == std::string_view::npos) return false;
    }
    return true;
}

bool Digits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// A live value shows as a plain decimal number, or as "---" when it is no number, never as
// "nan" or "inf"; before its first reply the field is empty.
bool LiveText(std::string_view text) {
    if (text.empty() || text == "---") return true;
    if (text.front() == '-') text.remove_prefix(1);
    const std::size_t point = text.find('.');
    if (point == std::string_view::npos) return Digits(text);
    return Digits(text.substr(0, point)) && Digits(text.substr(point + 1));
}

// The module's clock fields as two-digit numbers (a byte may need three) and separators.
bool ClockText(std::string_view text, char separator, std::size_t fields) {
    if (text.empty()) return true;
    const std::vector<std::string_view> parts = SplitAt(text, separator);
    if (parts.size() != fields) return false;
    for (const std::string_view part : parts)
        if (part.size() < 2 || !Digits(part) || DecimalNumber(part).value_or(256) > 255)
            return false;
    return true;
}

// Everything the windows show of the module data, as one text.
std::string Shown(const CModulDaten& modul) {
    std::string shown;
    for (const std::string& value : LiveValueTexts(modul)) shown += value + '|';
    return shown + VersionText(modul.firmwareVersion) + '|' + StatusReportText(modul.status) + '|' +
           LoggerInfoSummary(LoggerInfoOf(modul), 0);
}

void CheckTexts(const CModulDaten& modul) {
    for (const std::string& value : LiveValueTexts(modul)) QL50_FUZZ_CHECK(LiveText(value));
    const std::string version = VersionText(modul.firmwareVersion);
    QL50_FUZZ_CHECK(version.starts_with("QL50 Version ") && Printable(version));
    QL50_FUZZ_CHECK(Printable(StatusReportText(modul.status)));
    QL50_FUZZ_CHECK(ClockText(ql50::ClockText(modul.alarmTime, ':'), ':', 2));
    QL50_FUZZ_CHECK(ClockText(ql50::ClockText(modul.clockTime, ':'), ':', 3));
    QL50_FUZZ_CHECK(ClockText(ql50::ClockText(modul.clockDate, '.'), '.', 3));
}

class Receiver {
public:
    Receiver(const std::uint8_t* bytes, std::uint8_t mode)
        : bytes_(bytes), readout_((mode & 1) != 0), pollEvery_(11u * (mode >> 1)) {
        rx_.SetResync(readout_);
    }

    // Byte `at` of the input arrives.
    void Take(std::size_t at) {
        const std::uint8_t before = rx_.rxCount();
        const bool errorBefore = rx_.frameError();
        const RxEvent event = rx_.Push(bytes_[at]);
        QL50_FUZZ_CHECK(rx_.rxCount() <= 10);
        switch (event) {
            case RxEvent::None:
                QL50_FUZZ_CHECK(rx_.rxCount() == before + 1);
                QL50_FUZZ_CHECK(rx_.frameError() == errorBefore);
                break;
            case RxEvent::ValidFrame:
                OnFrame(at);
                break;
            case RxEvent::BadFrame:
                OnBadBlock(at);
                break;
            case RxEvent::WatchdogNotice:
                OnWatchdogNotice(at, errorBefore);
                break;
        }
        if (pollEvery_ != 0 && ++sincePoll_ == pollEvery_) PollTick();
    }

private:
    // The eleven bytes that ended at byte `at`; the receiver never holds older ones.
    Frame LastBlock(std::size_t at) const {
        QL50_FUZZ_CHECK(at >= kFrameSize);  // byte 0 is the mode
        Frame block;
        std::copy_n(bytes_ + at + 1 - kFrameSize, kFrameSize, block.begin());
        return block;
    }

    static bool IsFrame(const Frame& block) {
        std::uint8_t sum = 0;
        for (std::size_t i = 1; i <= 8; ++i) sum ^= block[i];
        return block[0] == 0x28 && block[10] == 0x29 && block[9] == sum;
    }

    void OnFrame(std::size_t at) {
        const Frame& frame = rx_.rxFrame();
        QL50_FUZZ_CHECK(rx_.rxCount() == 0);
        QL50_FUZZ_CHECK(frame == LastBlock(at) && IsFrame(frame));
        Dispatch(frame);
    }

    void OnBadBlock(std::size_t at) {
        QL50_FUZZ_CHECK(rx_.frameError());
        const Frame block = LastBlock(at);
        QL50_FUZZ_CHECK(!IsFrame(block));
        if (!readout_) {
            QL50_FUZZ_CHECK(rx_.rxCount() == 0);
            return;
        }
        // The block's bytes from its next start byte on begin the next block.
        const auto next = std::find(block.begin() + 1, block.end(), kFrameStart);
        QL50_FUZZ_CHECK(rx_.rxCount() == block.end() - next);
        QL50_FUZZ_CHECK(std::equal(next, block.end(), rx_.rxFrame().begin()));
    }

    void OnWatchdogNotice(std::size_t at, bool errorBefore) {
        QL50_FUZZ_CHECK(rx_.rxCount() == 0 && rx_.frameError() == errorBefore);
        QL50_FUZZ_CHECK(at >= 9 && bytes_[at - 8] == 'W' && bytes_[at - 7] == 'D');
        std::tm local{};
        local.tm_mday = 5, local.tm_mon = 2, local.tm_year = 124, local.tm_hour = 10;
        QL50_FUZZ_CHECK(FormatWatchdogLine(local) == "05.03.2024\t10:00\tWD-RESET \n\r");
    }

    void Dispatch(const Frame& frame) {
        const std::string shownBefore = Shown(modul_);
        const ReplyOutcome outcome = DispatchReply(frame, modul_);
        QL50_FUZZ_CHECK(outcome.accepted == ReplyAccepted(frame[kPosOp], frame[kPosRegister]));
        QL50_FUZZ_CHECK(modul_.moduleType < kMessTypen.size());
        CheckTexts(modul_);
        if (!outcome.accepted) {
            // A dropped reply has no effect at all.
            QL50_FUZZ_CHECK(!outcome.refreshDisplay && !outcome.loggerFrame &&
                            outcome.followUpRegister == 0);
            QL50_FUZZ_CHECK(Shown(modul_) == shownBefore);
            return;
        }
        if (outcome.followUpRegister != 0) {
            // The chain never asks for a register whose reply it would drop.
            QL50_FUZZ_CHECK(ReplyAccepted(kReadValue, outcome.followUpRegister));
            rx_.Reset();
        }
        if (outcome.loggerFrame) {
            QL50_FUZZ_CHECK(frame[kPosOp] == kReadValue && frame[kPosRegister] == kValueLoggerData);
            if (readout_) LoggerFrame(frame);
        }
    }

    void LoggerFrame(const Frame& frame) {
        if (!armed_) {
            armed_ = true;
            return;
        }
        const std::uint8_t d3 = frame[kPosD3];
        const auto record = records_.Push(frame[kPosD2], d3);
        QL50_FUZZ_CHECK(records_.index() < kLoggerRecordSize && records_.index() % 2 == 0);
        if (record) {
            QL50_FUZZ_CHECK(d3 == kLoggerEndMarker && (*record)[9] == kLoggerEndMarker);
            CheckLoggerLine(*record, LoggerRecordLine(*record));
        }
        if (d3 == kLoggerEndMarker) {
            const unsigned position = LoggerBytePosition(frame[kPosD0], frame[kPosD1]);
            QL50_FUZZ_CHECK(position <= 255u + 255u * 255u);
            QL50_FUZZ_CHECK(LoggerPositionText(position) ==
                            "Byte: " + std::to_string(position) + " ");
        }
    }

    void PollTick() {
        sincePoll_ = 0;
        if (rx_.frameError()) {
            rx_.ClearFrameError();
            QL50_FUZZ_CHECK(!rx_.frameError());
            return;
        }
        rx_.Reset();
        QL50_FUZZ_CHECK(rx_.rxCount() == 0);
    }

    const std::uint8_t* bytes_;
    const bool readout_;
    const std::size_t pollEvery_;
    std::size_t sincePoll_ = 0;
    FrameAssembler rx_;
    CModulDaten modul_;
    LoggerRecordAssembler records_;
    bool armed_ = false;
};

}  // namespace
}  // namespace ql50::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    ql50::fuzz::Receiver receiver(data, data[0]);
    for (std::size_t at = 1; at < size; ++at) receiver.Take(at);
    return 0;
}
