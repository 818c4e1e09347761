#include "operations/LoggerOps.h"

#include "conversation/CConversation.h"
#include "link/Encoding.h"

namespace ql50 {

Outcome ReadLoggerInfo(Session& session) {
    CConversation& conv = session.conversation();
    if (!conv.Ask(req::kLoggerLevel)) return session.Unanswered();
    for (const Request& r : {req::kReadAlarm, req::kReadTime, req::kReadDate,
                             req::kReadLoggerInterval, req::kInfoLoggerRelease})
        conv.Ask(r);
    return Outcome::Done;
}

bool ClockYearFits(int year) {
    return year >= kFirstClockYear && year <= kLastClockYear;
}

Outcome SetModuleClock(Session& session, const ClockSetting& c) {
    if (!ClockYearFits(c.year)) return Outcome::Refused;
    CConversation& conv = session.conversation();
    if (!conv.Ask(req::kWriteTime,
                  {std::uint8_t(c.hour), std::uint8_t(c.minute), std::uint8_t(c.second), 0}))
        return session.Unanswered();
    if (!conv.Ask(req::kWriteDate, {std::uint8_t(c.year - kFirstClockYear), std::uint8_t(c.day),
                                    std::uint8_t(c.month), 0}))
        return session.Unanswered();
    return Outcome::Done;
}

Outcome ClearLogger(Session& session) {
    return session.conversation().Ask(req::kLoggerClear, EncodeUint8(kLoggerClearCommand))
               ? Outcome::Done
               : session.Unanswered();
}

}  // namespace ql50
