#pragma once
// The requests the program sent to a scripted module, read in portions.
#include <vector>

#include "conversation/CConversation.h"
#include "support/Pty.h"
#include "support/Robot.h"

namespace ql50::test {

class RequestLog {
public:
    static constexpr std::uint8_t kMarkerRegister = 99;  // a register no module answers

    // The requests sent since the last call. A marker request goes out behind them; once the
    // module has seen it, none of them is still on its way.
    std::vector<Frame> New(CConversation& conv, PtyPeer& peer) {
        conv.SendCommand(0, kReadValue, 0, kMarkerRegister);
        EXPECT_TRUE(WaitUntil([&] {
            const auto all = peer.Requests();
            return !all.empty() && all.back()[kPosRegister] == kMarkerRegister;
        }));
        const auto all = peer.Requests();
        std::vector<Frame> fresh;
        for (std::size_t i = seen_; i < all.size(); ++i)
            if (all[i][kPosRegister] != kMarkerRegister) fresh.push_back(all[i]);
        seen_ = all.size();
        return fresh;
    }

private:
    std::size_t seen_ = 0;
};

}  // namespace ql50::test
