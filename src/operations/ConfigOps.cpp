#include "operations/ConfigOps.h"

#include "conversation/CConversation.h"
#include "link/Encoding.h"

namespace ql50 {
namespace {

// The four data bytes that all commands of a write block share: each command sets only the
// bytes it defines and carries the rest over from the command before it.
class CommandBuffer {
public:
    const DataBytes& Set(const DataBytes& all) { return data_ = all; }
    const DataBytes& SetD0(std::uint8_t d0) {
        data_[0] = d0;
        return data_;
    }
    const DataBytes& Carried() const { return data_; }

private:
    DataBytes data_{};
};

}  // namespace

Outcome ReadConfiguration(Session& session, const std::function<void(int)>& progress) {
    CConversation& conv = session.conversation();
    if (!conv.Ask(req::kConfigBegin)) return session.Unanswered();
    const auto block = [&] {
        if (!conv.Ask(req::kReadType)) return false;
        if (progress) progress(2);
        int position = 3;
        for (const Request& r :
             {req::ReadCal(1), req::ReadCal(2), req::ReadCal(3), req::kReadAddress,
              req::kReadFixedTempOn, req::kReadFixedTemperature, req::kReadFirmware,
              req::kReadTempOffset, req::kReadLoggerInterval, req::kReadLoggerRelease,
              req::kReadDisplayLanguage}) {
            if (!conv.Ask(r)) return false;
            if (progress) progress(position++);
        }
        conv.PumpDelay(1);
        return true;
    };
    const bool complete = block();
    const Outcome unanswered = session.Unanswered();
    conv.Ask(req::kConfigEnd);
    return complete ? Outcome::Done : unanswered;
}

Outcome WriteConfiguration(Session& session, const ConfigurationBlock& b,
                           const std::function<void(int)>& progress) {
    CConversation& conv = session.conversation();
    CommandBuffer buffer;
    if (!conv.Ask(req::kConfigBegin, buffer.Carried())) return session.Unanswered();
    const auto interval =
        DataBytes{std::uint8_t(b.loggerInterval), std::uint8_t(b.loggerInterval >> 8), 0, 0};
    struct Write {
        Request request;
        DataBytes data;
        bool d0Only;
    };
    const Write writes[] = {
        {req::WriteCal(1), EncodeFloat24(b.calValue1), false},
        {req::WriteCal(2), EncodeFloat24(b.calValue2), false},
        {req::WriteCal(3), EncodeFloat24(b.calValue3), false},
        {req::kWriteAddress, {b.address}, true},
        {req::kWriteFixedTemperature, EncodeFloat24(b.fixedTemperature), false},
        {req::kWriteTempOffset, EncodeFloat24(b.tempOffset), false},
        {req::kWriteType, {std::uint8_t(b.typeIndex + 1)}, true},
        {req::kWriteFixedTempOn, {b.fixedTempOn}, true},
        {req::kWriteLoggerInterval, interval, false},
        {req::kWriteLoggerRelease, {b.loggerEnabled}, true},
        {req::kWriteDisplayLanguage, {b.displayLanguage}, true},
    };
    int position = 2;
    for (const Write& w : writes) {
        const DataBytes& data = w.d0Only ? buffer.SetD0(w.data[0]) : buffer.Set(w.data);
        if (!conv.Ask(w.request, data)) {
            const Outcome failed = session.Unanswered();
            if (failed == Outcome::NoReply) conv.Ask(req::kConfigEnd, buffer.Carried());
            return failed;
        }
        // The module answered at its old address: from now on it listens at the new one.
        if (w.request == req::kWriteAddress) session.SetAddress(b.address);
        if (progress) progress(position++);
    }
    for (const Request& r : {req::kEndOfWrites, req::kWriteAlarm, req::kConfigEnd}) {
        if (!conv.Ask(r, buffer.Carried())) {
            const Outcome failed = session.Unanswered();
            if (failed == Outcome::NoReply && !(r == req::kConfigEnd))
                conv.Ask(req::kConfigEnd, buffer.Carried());
            return failed;
        }
    }
    return Outcome::Done;
}

}  // namespace ql50
