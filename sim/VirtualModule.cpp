#include "sim/VirtualModule.h"

#include <algorithm>
#include <cmath>

#include "link/Encoding.h"
#include "sim/ParameterTable.h"

namespace ql50::sim {

using std::chrono::minutes;
using std::chrono::sys_seconds;

namespace {

constexpr std::size_t kMaxLoggerRecords = kLoggerCapacity / kLoggerRecordSize;
// Used to date the records of a filled logger when the logger interval is 0.
constexpr unsigned kFallbackInterval = 15;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

DataBytes Uint16Reading(double value) {
    return EncodeUint16(std::uint16_t(std::clamp(std::lround(value), 0L, 65535L)));
}

}  // namespace

VirtualModule::VirtualModule(TimeSource source)
    : source_(source ? std::move(source) : TimeSource{SystemTime}), clock_(source_) {
    for (const ParameterSpec& spec : ParameterTable()) parameters_[spec.reg] = spec.factory;
    for (int type = 0; type < kTypeCount; ++type) calibrations_[type] = FactoryCalibration(type);
    for (std::size_t i = 0; i < 4; ++i)
        parameters_[kParamCal1 + i] = EncodeFloat24(calibrations_[CurrentType()][i]);
    const std::size_t records = kInitialLoggerRecords;
    logger_.Fill(SamplesUpToNow(records), records * kLoggerRecordSize);
    lastBoundary_ = CurrentBoundary();
}

// --- Receiving and answering ----------------------------------------------------------------

std::vector<std::uint8_t> VirtualModule::Receive(const std::uint8_t* data, std::size_t size) {
    std::lock_guard lock(mutex_);
    std::vector<std::uint8_t> out;
    if (faults_.silent || data == nullptr) return out;
    UpdateLogger();
    Frame request;
    for (std::size_t i = 0; i < size; ++i) {
        if (assembler_.Push(data[i], &request)) Answer(request, out);
    }
    return out;
}

// The module answers its own bus address and the broadcast address 0, always with its own
// address in the reply.
void VirtualModule::Answer(const Frame& request, std::vector<std::uint8_t>& out) {
    const std::uint8_t address = request[kPosAddress];
    if (address != 0 && address != parameters_[kParamAddress][0]) return;
    if (faults_.Ignores(request[kPosOp], request[kPosRegister])) return;
    if (!faults_.Keeps(request[kPosOp], request[kPosRegister])) {
        faults_.Emit({Reply(request, FrameData(request))}, out);
        return;
    }
    faults_.Emit(Execute(request), out);
}

// Reads answer with the register's data, writes with an acknowledgement that echoes the
// written data. The module knows no operation above 3 and leaves such requests unanswered.
std::vector<Frame> VirtualModule::Execute(const Frame& request) {
    const std::uint8_t reg = request[kPosRegister];
    const DataBytes data = FrameData(request);
    const ValueHandler* handler = FindValueHandler(reg);
    switch (request[kPosOp]) {
        case kReadValue:
            if (reg == kValueLoggerData) return LoggerStream(request);
            return {Reply(request, handler != nullptr && handler->read != nullptr
                                       ? (this->*handler->read)(request)
                                       : values_[reg])};
        case kWriteValue:
            if (handler != nullptr && handler->write != nullptr) {
                (this->*handler->write)(request);
            } else {
                values_[reg] = data;
            }
            return {Reply(request, data)};
        case kReadParam:
            return {Reply(request, parameters_[reg])};
        case kWriteParam:
            WriteParameter(reg, data);
            return {Reply(request, data)};
        default:
            return {};
    }
}

Frame VirtualModule::Reply(const Frame& request, const DataBytes& data) const {
    return BuildFrame(parameters_[kParamAddress][0], request[kPosOp], request[kPosType],
                      request[kPosRegister], data);
}

// Value registers whose reads or writes do more than keep their bytes.
const VirtualModule::ValueHandler* VirtualModule::FindValueHandler(std::uint8_t reg) {
    using M = VirtualModule;
    static const ValueHandler kHandlers[] = {
        {kValueLive1, kValueTemperature, &M::ReadLive, nullptr},
        {kValueLoggerLevel, kValueLoggerLevel, &M::ReadLoggerLevel, &M::WriteLoggerCommand},
        {kValueNextAlarm, kValueNextAlarm, &M::ReadNextAlarm, &M::IgnoreWrite},
        {kValueDate, kValueDate, &M::ReadDate, &M::WriteDate},
        {kValueTime, kValueTime, &M::ReadTime, &M::WriteTime},
        {kValueRawInput, kValueRawBattery, &M::ReadRaw, nullptr},
        // Command registers: 63, 65 (end of a write series), 67 and 68 (start and end of a
        // configuration exchange) are only acknowledged; 69 selects the measurement type.
        {kValueNotice, kValueNotice, &M::Echo, nullptr},
        {kValueEndOfWrites, kValueEndOfWrites, &M::Echo, nullptr},
        {kValueConfigBegin, kValueConfigEnd, &M::Echo, nullptr},
        {kValueSelectType, kValueSelectType, &M::SelectTypeCommand, nullptr},
    };
    for (const ValueHandler& h : kHandlers) {
        if (reg >= h.first && reg <= h.last) return &h;
    }
    return nullptr;
}

// The read-out request is answered first by an acknowledgement that carries no record bytes,
// then by one frame per two logger bytes: d0 + 255 * d1 counts the logger bytes sent up to and
// including the frame (d1 wraps beyond 255), d2 and d3 carry the bytes. An odd last byte goes
// out with d3 = 0.
std::vector<Frame> VirtualModule::LoggerStream(const Frame& request) {
    const std::vector<std::uint8_t>& bytes = logger_.Bytes();
    std::vector<Frame> frames;
    frames.reserve(1 + (bytes.size() + 1) / 2);
    frames.push_back(Reply(request, {0, 0, 0, 0}));
    for (std::size_t pos = 0; pos < bytes.size(); pos += 2) {
        const std::size_t sent = std::min(pos + 2, bytes.size());
        const std::uint8_t second = pos + 1 < bytes.size() ? bytes[pos + 1] : 0;
        frames.push_back(Reply(
            request, {std::uint8_t(sent % 255), std::uint8_t(sent / 255), bytes[pos], second}));
    }
    return frames;
}

// --- Value registers ------------------------------------------------------------------------

DataBytes VirtualModule::ReadLive(const Frame& request) {
    const std::size_t channel = request[kPosRegister] - kValueLive1;
    return EncodeFloat32(LiveValuesAt(clock_.Now())[channel]);
}

DataBytes VirtualModule::ReadLoggerLevel(const Frame&) {
    return EncodeUint16(std::uint16_t(logger_.Size()));
}

// The next logger alarm is the next interval boundary of the clock; 00:00 with no interval.
DataBytes VirtualModule::ReadNextAlarm(const Frame&) {
    const std::optional<std::int64_t> boundary = CurrentBoundary();
    if (!boundary) return {0, 0, 0, 0};
    const unsigned interval = DecodeUint16(parameters_[kParamLoggerInterval]);
    const CivilTime next = ModuleClock::ToCivil(sys_seconds{minutes{(*boundary + 1) * interval}});
    return {std::uint8_t(next.hour), std::uint8_t(next.minute), 0, 0};
}

// The module's clock answers a read with day, month, year - 2000, the order its logger records
// keep; a write comes as year - 2000, day, month (WriteDate).
DataBytes VirtualModule::ReadDate(const Frame&) {
    const CivilTime now = clock_.NowCivil();
    return {std::uint8_t(now.day), std::uint8_t(now.month), std::uint8_t(now.year - 2000), 0};
}

DataBytes VirtualModule::ReadTime(const Frame&) {
    const CivilTime now = clock_.NowCivil();
    return {std::uint8_t(now.hour), std::uint8_t(now.minute), std::uint8_t(now.second), 0};
}

// Raw readings of the analogue inputs as the factory adjustment sees them, in the counts of the
// module's converter and consistent with the adjustment points it stores, so a new adjustment
// shows in the next readings: the measuring input at rest reads midway between its open-input
// and its 2.4 MOhm points, the temperature input (a Pt1000) lies between its 0 °C and 100 °C
// points as the sample's temperature says, and the battery at about 7.2 V reads a little above
// its 7 V point. The input and the battery drift by a few counts over minutes.
DataBytes VirtualModule::ReadRaw(const Frame& request) {
    const double t = ClockSeconds();
    const Environment env = SampleEnvironment(CurrentType(), t, immersion_);
    const auto stored = [this](std::uint8_t reg) { return double(DecodeUint16(parameters_[reg])); };
    switch (request[kPosRegister]) {
        case kValueRawInput:
            return Uint16Reading((stored(kParamInputOpenAdjust) + stored(kParamInputHighAdjust)) /
                                     2.0 +
                                 3.0 * std::sin(t / 97.0));
        case kValueRawTemperature: {
            const double at0 = stored(kParamTemp0Adjust);
            const double at100 = stored(kParamTemp100Adjust);
            return Uint16Reading(at0 + (at100 - at0) * env.temperature / 100.0);
        }
        default:
            return Uint16Reading(stored(kParamBatteryAdjust) * 7.2 / 7.0 +
                                 2.0 * std::sin(t / 131.0));
    }
}

DataBytes VirtualModule::Echo(const Frame& request) {
    return FrameData(request);
}

DataBytes VirtualModule::SelectTypeCommand(const Frame& request) {
    const std::uint8_t code = request[kPosD0];
    if (code >= 1 && code <= kTypeCount) SelectType(code - 1);
    return FrameData(request);
}

void VirtualModule::WriteLoggerCommand(const Frame& request) {
    if (request[kPosD0] == kLoggerClearCommand) logger_.Clear();
}

// Invalid dates and times are acknowledged but leave the clock as it was.
void VirtualModule::WriteDate(const Frame& request) {
    if (clock_.SetDate(2000 + request[kPosD0], request[kPosD2], request[kPosD1])) RebaseLogger();
}

void VirtualModule::WriteTime(const Frame& request) {
    if (clock_.SetTimeOfDay(request[kPosD0], request[kPosD1], request[kPosD2])) RebaseLogger();
}

// The alarm follows from the clock and the interval; the write only ends a configuration.
void VirtualModule::IgnoreWrite(const Frame&) {}

// --- Parameter registers --------------------------------------------------------------------

void VirtualModule::WriteParameter(std::uint8_t reg, const DataBytes& data) {
    const ParameterSpec* spec = FindParameter(reg);
    const DataBytes clean = spec != nullptr ? Normalise(spec->encoding, data) : data;
    if (reg == kParamType) {
        if (clean[0] >= 1 && clean[0] <= kTypeCount) SelectType(clean[0] - 1);
        return;
    }
    if (reg == kParamFirmware) return;  // fixed in the firmware
    parameters_[reg] = clean;
    if (reg == kParamLoggerInterval || reg == kParamLoggerRelease) RebaseLogger();
}

// Registers 32 to 35 show the calibration set of the selected type; the others stay kept.
void VirtualModule::SelectType(int typeIndex) {
    const int current = CurrentType();
    if (typeIndex == current || typeIndex < 0 || typeIndex >= kTypeCount) return;
    for (std::size_t i = 0; i < 4; ++i) {
        calibrations_[current][i] = DecodeFloat24(parameters_[kParamCal1 + i]);
        parameters_[kParamCal1 + i] = EncodeFloat24(calibrations_[typeIndex][i]);
    }
    parameters_[kParamType] = EncodeUint8(std::uint8_t(typeIndex + 1));
}

ModuleSettings VirtualModule::Settings() const {
    ModuleSettings s;
    s.type = CurrentType();
    for (std::size_t i = 0; i < 4; ++i)
        s.calibration[i] = DecodeFloat24(parameters_[kParamCal1 + i]);
    s.airPressureFactor = DecodeFloat24(parameters_[kParamAirPressureFactor]);
    s.tempOffset = DecodeFloat24(parameters_[kParamTempOffset]);
    s.fixedTemperature = DecodeFloat24(parameters_[kParamFixedTemperature]);
    s.fixedTempOn = parameters_[kParamFixedTempOn][0] != 0;
    return s;
}

LiveValues VirtualModule::LiveValuesAt(sys_seconds moduleTime) const {
    const double t = double(moduleTime.time_since_epoch().count());
    return MeasureLiveValues(SampleEnvironment(CurrentType(), t, immersion_), Settings());
}

double VirtualModule::ClockSeconds() const {
    return double(clock_.Now().time_since_epoch().count());
}

// --- Logger ---------------------------------------------------------------------------------

// Index of the last interval boundary at or before the clock's time; none without interval.
std::optional<std::int64_t> VirtualModule::CurrentBoundary() const {
    const unsigned interval = DecodeUint16(parameters_[kParamLoggerInterval]);
    if (interval == 0) return std::nullopt;
    const auto now = std::chrono::floor<minutes>(clock_.Now()).time_since_epoch().count();
    return FloorDiv(now, interval);
}

// While released, the logger stores one record at every boundary the clock has passed since
// the last look. After a long gap only as many records as fit are made.
void VirtualModule::UpdateLogger() {
    const std::optional<std::int64_t> now = CurrentBoundary();
    const bool released = parameters_[kParamLoggerRelease][0] != 0;
    if (now && lastBoundary_ && released && *now > *lastBoundary_) {
        const unsigned interval = DecodeUint16(parameters_[kParamLoggerInterval]);
        const std::int64_t first =
            std::max(*lastBoundary_ + 1, *now - std::int64_t(kMaxLoggerRecords) + 1);
        for (std::int64_t k = first; k <= *now; ++k) {
            if (!logger_.Append(SampleAtBoundary(k, interval))) break;
        }
    }
    lastBoundary_ = now;
}

// After the clock, the interval or the release changed, logging goes on from the next
// boundary; nothing is filled in for the jump.
void VirtualModule::RebaseLogger() {
    lastBoundary_ = CurrentBoundary();
}

LoggerSample VirtualModule::SampleAtBoundary(std::int64_t boundary, unsigned interval) const {
    const sys_seconds at{minutes{boundary * std::int64_t(interval)}};
    const LiveValues live = LiveValuesAt(at);
    return LoggerSample{ModuleClock::ToCivil(at), live[0], live[1], live[5]};
}

std::vector<LoggerSample> VirtualModule::SamplesUpToNow(std::size_t count) const {
    unsigned interval = DecodeUint16(parameters_[kParamLoggerInterval]);
    if (interval == 0) interval = kFallbackInterval;
    const auto now = std::chrono::floor<minutes>(clock_.Now()).time_since_epoch().count();
    const std::int64_t last = FloorDiv(now, interval);
    std::vector<LoggerSample> samples;
    samples.reserve(count);
    for (std::int64_t k = last - std::int64_t(count) + 1; k <= last; ++k)
        samples.push_back(SampleAtBoundary(k, interval));
    return samples;
}

// --- Public set-up and inspection -----------------------------------------------------------

void VirtualModule::SetType(int typeIndex) {
    std::lock_guard lock(mutex_);
    SelectType(typeIndex);
}

int VirtualModule::Type() const {
    std::lock_guard lock(mutex_);
    return CurrentType();
}

int VirtualModule::CurrentType() const {
    return parameters_[kParamType][0] - 1;
}

void VirtualModule::SetAddress(std::uint8_t address) {
    std::lock_guard lock(mutex_);
    parameters_[kParamAddress] = EncodeUint8(address);
}

std::uint8_t VirtualModule::Address() const {
    std::lock_guard lock(mutex_);
    return parameters_[kParamAddress][0];
}

DataBytes VirtualModule::Parameter(std::uint8_t reg) const {
    std::lock_guard lock(mutex_);
    return parameters_[reg];
}

void VirtualModule::SetParameter(std::uint8_t reg, const DataBytes& data) {
    std::lock_guard lock(mutex_);
    UpdateLogger();
    WriteParameter(reg, data);
}

void VirtualModule::Immerse(std::optional<double> sample) {
    std::lock_guard lock(mutex_);
    immersion_ = sample;
}

LiveValues VirtualModule::CurrentLiveValues() const {
    std::lock_guard lock(mutex_);
    return LiveValuesAt(clock_.Now());
}

CivilTime VirtualModule::ClockNow() const {
    std::lock_guard lock(mutex_);
    return clock_.NowCivil();
}

std::size_t VirtualModule::LoggerByteCount() {
    std::lock_guard lock(mutex_);
    UpdateLogger();
    return logger_.Size();
}

std::vector<std::uint8_t> VirtualModule::LoggerBytes() {
    std::lock_guard lock(mutex_);
    UpdateLogger();
    return logger_.Bytes();
}

void VirtualModule::ClearLogger() {
    std::lock_guard lock(mutex_);
    logger_.Clear();
}

void VirtualModule::FillLoggerRecords(std::size_t records) {
    records = std::min(records, kMaxLoggerRecords);
    std::lock_guard lock(mutex_);
    logger_.Fill(SamplesUpToNow(records), records * kLoggerRecordSize);
    RebaseLogger();
}

void VirtualModule::FillLoggerBytes(std::size_t bytes) {
    bytes = std::min(bytes, kLoggerCapacity);
    std::lock_guard lock(mutex_);
    logger_.Fill(SamplesUpToNow((bytes + kLoggerRecordSize - 1) / kLoggerRecordSize), bytes);
    RebaseLogger();
}

// --- Faults ---------------------------------------------------------------------------------

void VirtualModule::SetSilent(bool silent) {
    std::lock_guard lock(mutex_);
    faults_.silent = silent;
    assembler_.Reset();
}

void VirtualModule::SilenceRegister(std::uint8_t op, std::uint8_t reg) {
    std::lock_guard lock(mutex_);
    faults_.SilenceRegister(op, reg);
}

void VirtualModule::AcknowledgeOnly(std::uint8_t op, std::uint8_t reg) {
    std::lock_guard lock(mutex_);
    faults_.AcknowledgeOnly(op, reg);
}

void VirtualModule::ClearSilencedRegisters() {
    std::lock_guard lock(mutex_);
    faults_.ClearSilencedRegisters();
}

void VirtualModule::SetBadChecksum(bool bad) {
    std::lock_guard lock(mutex_);
    faults_.badChecksum = bad;
}

void VirtualModule::InjectStrayByte() {
    std::lock_guard lock(mutex_);
    faults_.InjectStrayByte();
}

void VirtualModule::QueueWatchdogNotice() {
    std::lock_guard lock(mutex_);
    faults_.QueueWatchdogNotice();
}

void VirtualModule::SendWatchdogNoticeNow() {
    std::lock_guard lock(mutex_);
    faults_.SendWatchdogNoticeNow();
    if (notifier_) notifier_();
}

void VirtualModule::SetWatchdogPeriod(std::chrono::seconds period) {
    std::lock_guard lock(mutex_);
    faults_.SetWatchdogPeriod(period, source_());
    if (notifier_) notifier_();  // the server recomputes its wake-up time
}

void VirtualModule::SetReplyDelay(std::chrono::milliseconds delay) {
    std::lock_guard lock(mutex_);
    faults_.replyDelay = std::max(delay, std::chrono::milliseconds{0});
}

std::chrono::milliseconds VirtualModule::ReplyDelay() const {
    std::lock_guard lock(mutex_);
    return faults_.replyDelay;
}

void VirtualModule::SetLineRate(unsigned baud) {
    std::lock_guard lock(mutex_);
    faults_.SetLineRate(baud);
}

unsigned VirtualModule::BytesPerSecond() const {
    std::lock_guard lock(mutex_);
    return faults_.bytesPerSecond;
}

void VirtualModule::SetStrictRate(unsigned baud) {
    std::lock_guard lock(mutex_);
    faults_.strictRate = baud;
}

bool VirtualModule::HearsLineRate(unsigned lineBaud) const {
    std::lock_guard lock(mutex_);
    return faults_.strictRate == 0 || faults_.strictRate == lineBaud;
}

// --- Unsolicited bytes ----------------------------------------------------------------------

std::vector<std::uint8_t> VirtualModule::TakeUnsolicited() {
    std::lock_guard lock(mutex_);
    return faults_.TakeUnsolicited(source_());
}

std::optional<std::chrono::milliseconds> VirtualModule::TimeUntilUnsolicited() const {
    std::lock_guard lock(mutex_);
    return faults_.TimeUntilUnsolicited(source_());
}

void VirtualModule::SetNotifier(std::function<void()> notifier) {
    std::lock_guard lock(mutex_);
    notifier_ = std::move(notifier);
}

}  // namespace ql50::sim
