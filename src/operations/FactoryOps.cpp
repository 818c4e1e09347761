#include "operations/FactoryOps.h"

#include "conversation/CConversation.h"

namespace ql50 {
namespace {

// The raw readings are 16-bit: a negative value marks a reading that has not come yet.
constexpr std::int32_t kNoReading = -1;

struct Adjustment {
    Request live;
    std::int32_t CModulDaten::*reading;
    std::uint8_t target;
};

const Adjustment& AdjustmentOf(AdjustPoint point) {
    static const Adjustment kAdjustments[] = {
        {req::kReadRawTemperature, &CModulDaten::rawTemperature, kParamTemp0Adjust},
        {req::kReadRawTemperature, &CModulDaten::rawTemperature, kParamTemp100Adjust},
        {req::kReadRawInput, &CModulDaten::rawInput, kParamInputOpenAdjust},
        {req::kReadRawInput, &CModulDaten::rawInput, kParamInputHighAdjust},
        {req::kReadRawBattery, &CModulDaten::rawBattery, kParamBatteryAdjust},
    };
    return kAdjustments[static_cast<int>(point)];
}

DataBytes TypeBytes(int typeIndex) {
    return {static_cast<std::uint8_t>(typeIndex + 1), 0, 0, 0};
}

}  // namespace

Outcome EnterParametrisation(Session& session, int typeIndex) {
    CConversation& conv = session.conversation();
    conv.modul().moduleType = static_cast<std::uint8_t>(typeIndex);
    const DataBytes type = TypeBytes(typeIndex);
    // Without a reply to the type the second wait has no request of its own and runs out.
    if (conv.Ask(req::kWriteType, type)) conv.Send(req::kSelectType, type);
    return conv.WaitForReply() != 0 ? Outcome::Done : session.Unanswered();
}

Outcome LeaveParametrisation(Session& session, int typeIndex) {
    return session.conversation().Ask(req::kWriteType, TypeBytes(typeIndex)) ? Outcome::Done
                                                                             : session.Unanswered();
}

void EndParametrisation(Session& session, int typeIndex) {
    session.conversation().Ask(req::kEndOfWrites, TypeBytes(typeIndex));
}

Outcome ReadParameterReport(Session& session, const std::function<void(int)>& progress) {
    CConversation& conv = session.conversation();
    conv.Send(req::kEndOfWrites);
    if (conv.WaitForReply() == 0) return session.Unanswered();
    conv.Ask(req::ReadAdjust(kParamTemp0Adjust));
    const std::pair<int, Request> rows[] = {
        {2, req::ReadAdjust(kParamTemp100Adjust)},
        {3, req::ReadAdjust(kParamInputOpenAdjust)},
        {4, req::ReadAdjust(kParamInputHighAdjust)},
        {5, req::ReadAdjust(kParamBatteryAdjust)},
        {6, req::kReadManufacturer},
        {7, req::kReadDisplayType},
    };
    for (const auto& [position, request] : rows) {
        if (progress) progress(position);
        conv.Ask(request);
    }
    return Outcome::Done;
}

Outcome WriteDeviceCode(Session& session, const std::string& code, int compostingFlag) {
    CConversation& conv = session.conversation();
    DataBytes bytes{};
    for (std::size_t i = 0; i < std::min<std::size_t>(code.size(), bytes.size()); ++i)
        bytes[i] = static_cast<std::uint8_t>(code[i]);
    const bool codeAnswered = conv.Ask(req::kWriteManufacturer, bytes);
    const bool flagAnswered =
        conv.Ask(req::kWriteDisplayType, {static_cast<std::uint8_t>(compostingFlag), 0, 0, 0});
    return codeAnswered && flagAnswered ? Outcome::Done : session.Unanswered();
}

void BeginAdjustment(Session& session, AdjustPoint point) {
    const Adjustment& a = AdjustmentOf(point);
    session.conversation().modul().*a.reading = kNoReading;
    session.conversation().Send(a.live);
}

void RequestRawReading(Session& session, AdjustPoint point) {
    session.conversation().Send(AdjustmentOf(point).live);
}

std::optional<std::uint16_t> RawReading(const Session& session, AdjustPoint point) {
    const std::int32_t reading = session.module().*AdjustmentOf(point).reading;
    if (reading < 0) return std::nullopt;
    return static_cast<std::uint16_t>(reading);
}

void WriteAdjustment(Session& session, AdjustPoint point, std::uint16_t value) {
    session.conversation().Ask(req::WriteAdjust(AdjustmentOf(point).target),
                               {std::uint8_t(value & 0xFF), std::uint8_t(value >> 8), 0, 0});
}

}  // namespace ql50
