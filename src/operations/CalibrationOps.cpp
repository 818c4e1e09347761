#include "operations/CalibrationOps.h"

#include "conversation/CConversation.h"
#include "link/Encoding.h"

namespace ql50 {

namespace {

struct StoredValue {
    Request write;
    Request read;
    float CalibrationSet::*value;
    float CModulDaten::*held;
};

const StoredValue kStoredValues[] = {
    {req::WriteCal(1), req::ReadCal(1), &CalibrationSet::calValue1, &CModulDaten::calValue1},
    {req::WriteCal(2), req::ReadCal(2), &CalibrationSet::calValue2, &CModulDaten::calValue2},
    {req::WriteCal(3), req::ReadCal(3), &CalibrationSet::calValue3, &CModulDaten::calValue3},
    {req::WriteCal(4), req::ReadCal(4), &CalibrationSet::calValue4, &CModulDaten::calValue4},
    {req::kWriteAirPressureFactor, req::kReadAirPressureFactor, &CalibrationSet::airPressureFactor,
     &CModulDaten::airPressureFactor},
};

// The module keeps the three upper bytes of a value: compare what it can hold.
bool Holds(float held, float written) {
    return EncodeFloat24(held) == EncodeFloat24(written);
}

}  // namespace

CalibrationSet CalibrationSetOf(const CModulDaten& m) {
    return {m.calValue1, m.calValue2, m.calValue3, m.calValue4, m.airPressureFactor};
}

Outcome ReadCalibration(Session& session) {
    CConversation& conv = session.conversation();
    for (const Request& r : {req::kReadType, req::ReadCal(1), req::ReadCal(2), req::ReadCal(3),
                             req::ReadCal(4), req::kReadAirPressureFactor}) {
        if (!conv.Ask(r)) return session.Unanswered();
    }
    return Outcome::Done;
}

Outcome StoreCalibration(Session& session, const CalibrationSet& values,
                         const std::function<void(int)>& progress) {
    CConversation& conv = session.conversation();
    int position = 2;
    bool answered = true;
    DataBytes last{};
    // Every write is sent, as the series always was; a poll reply (the poll runs on in the
    // salinity and air-pressure branches) also ends a write's wait.
    for (const StoredValue& v : kStoredValues) {
        last = EncodeFloat24(values.*v.value);
        answered = conv.Ask(v.write, last) && answered;
        if (progress) progress(position);
        ++position;
    }
    answered = conv.Ask(req::kEndOfWrites, last) && answered;
    // The confirmation: each value read back by its own reply, with no poll in between.
    const Session::Exclusive exclusive(session);
    conv.SetLiveChain(false);
    bool readBack = true;
    for (const StoredValue& v : kStoredValues) {
        if (!conv.AskExactly(v.read)) {
            readBack = false;
            break;
        }
    }
    conv.SetLiveChain(true);
    if (!answered || !readBack) return session.Unanswered();
    for (const StoredValue& v : kStoredValues) {
        if (!Holds(conv.modul().*v.held, values.*v.value)) return Outcome::NotConfirmed;
    }
    return Outcome::Done;
}

std::optional<std::array<char, 4>> ReadDeviceNumber(Session& session) {
    CConversation& conv = session.conversation();
    if (!conv.AskExactly(req::kReadManufacturer)) return {};
    return conv.modul().manufacturer;
}

}  // namespace ql50
