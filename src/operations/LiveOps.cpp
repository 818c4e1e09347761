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

Outcome ReadLiveCycle(Session& session) {
    CConversation& conv = session.conversation();
    const auto before = session.lastLiveCycle();
    conv.ClearFrameError();  // the request purges the line: a bad frame before it is past
    conv.Send(req::kLiveStart);
    // Each reply of the chain sends the next request before it ends the wait, and no reply is
    // taken in between two waits: one wait per reply. A reply of another kind may come in between.
    constexpr int kChainReplies = 6;
    for (int wait = 0; wait < kChainReplies + 2; ++wait) {
        if (conv.WaitForReply() == 0) return session.Unanswered();
        if (session.lastLiveCycle() != before) return Outcome::Done;
    }
    return Outcome::NoReply;
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
