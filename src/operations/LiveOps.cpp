#include "operations/LiveOps.h"

#include "conversation/CConversation.h"

namespace ql50 {

Outcome ReadStartValues(Session& session) {
    CConversation& conv = session.conversation();
    if (!conv.Ask(req::ReadCal(1))) return session.Unanswered();
    for (const Request& r : {req::ReadCal(2), req::ReadCal(3), req::ReadCal(4), req::kReadType})
        conv.Ask(r);
    return Outcome::Done;
}

void PollTick(Session& session) {
    if (session.exclusive()) return;
    CConversation& conv = session.conversation();
    if (conv.frameError()) {
        conv.ClearFrameError();
        return;
    }
    conv.Send(req::kLiveStart);
}

bool ValuesFresh(const Session& session, std::chrono::steady_clock::time_point since) {
    const auto last = session.lastLiveCycle();
    const auto newest = last ? std::max(*last, since) : since;
    return std::chrono::steady_clock::now() - newest <= 2 * kPollPeriod;
}

bool LastCycleFresh(const Session& session) {
    const auto last = session.lastLiveCycle();
    return last && ValuesFresh(session, *last);
}

Outcome ReadMeasurementType(Session& session) {
    return session.conversation().Ask(req::kReadType) ? Outcome::Done : session.Unanswered();
}

}  // namespace ql50
