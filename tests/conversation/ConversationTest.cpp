// The conversation over a pseudo-terminal with a scripted module, on a QCoreApplication.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTimer>

#include "conversation/CConversation.h"
#include "link/Encoding.h"
#include "support/CpuTime.h"
#include "support/Pty.h"

namespace ql50 {
namespace {

using test::NoReply;
using test::ProcessCpuTime;
using test::PtyPeer;
using test::ReplyTo;
using test::WaitUntil;

struct Fixture : ::testing::Test {
    // A scripted module on COM 1, and the port opened to it.
    PtyPeer& Open(PtyPeer::Answer answer) {
        peers.push_back(std::make_unique<PtyPeer>(std::move(answer)));
        conv.MapPort(1, peers.back()->path());
        QString failure;
        EXPECT_TRUE(conv.EnsurePortOpen(0, 9600, &failure)) << failure.toStdString();
        return *peers.back();
    }
    CConversation conv;
    std::vector<std::unique_ptr<PtyPeer>> peers;
};

// A module that answers every request with float24 1.0.
std::vector<std::uint8_t> Answer(const Frame& request) {
    return ReplyTo(request, EncodeFloat24(1.0f));
}

TEST_F(Fixture, ReplyEndsTheWaitAndIsDecoded) {
    PtyPeer& peer = Open(Answer);
    conv.SendCommand(0, kReadParam, 4, 32);
    EXPECT_EQ(conv.WaitForReply(), 1);
    EXPECT_FALSE(conv.replyPending());
    EXPECT_FLOAT_EQ(conv.modul().calValue1, 1.0f);
    EXPECT_EQ(peer.Requests(), std::vector<Frame>{BuildFrame(0, kReadParam, 4, 32)});
}

// The wait gives up after two to three seconds without burning the CPU, serving events
// meanwhile; a reply that comes later still ends the pending request.
TEST_F(Fixture, SilentModuleTimesOutAfterTwoToThreeSecondsAndALateReplyStillCounts) {
    PtyPeer& peer = Open(NoReply);
    int timerTicks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++timerTicks; });
    ticker.start(100);
    conv.SendCommand(0, kReadParam, 4, 32);
    const auto cpuBefore = ProcessCpuTime();
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(conv.WaitForReply(), 0);
    const qint64 ms = t.elapsed();
    EXPECT_GT(ms, 1900);        // more than 2 s of wall clock, less a little timer slack
    EXPECT_LE(ms, 3000 + 900);  // at most 3 s, with room for a late timer on a busy machine
    EXPECT_GT(timerTicks, 5) << "events must be served during the wait";
    EXPECT_LT(ProcessCpuTime() - cpuBefore, std::chrono::seconds(1))
        << "the wait must block, not spin";
    EXPECT_TRUE(conv.replyPending());
    peer.Send(ReplyTo(BuildFrame(0, kReadParam, 4, 32), EncodeFloat24(2.0f)));
    EXPECT_TRUE(WaitUntil([&] { return !conv.replyPending(); }));
    EXPECT_FLOAT_EQ(conv.modul().calValue1, 2.0f);
}

TEST_F(Fixture, BadChecksumSetsFrameErrorAndIsNotDispatched) {
    Open([](const Frame& req) {
        auto bytes = ReplyTo(req, EncodeFloat24(5.0f));
        bytes[kPosChecksum] ^= 0x01;
        return bytes;
    });
    conv.SendCommand(0, kReadParam, 4, 32);
    EXPECT_EQ(conv.WaitForReply(), 0);
    EXPECT_TRUE(conv.frameError());
    EXPECT_FLOAT_EQ(conv.modul().calValue1, 0.0f);
}

TEST_F(Fixture, WatchdogNoticeGivesOneEventLogLine) {
    PtyPeer& peer = Open(NoReply);
    QSignalSpy notices(&conv, &CConversation::watchdogNotice);
    conv.SendCommand(0, kReadParam, 4, 32);
    ASSERT_TRUE(WaitUntil([&] { return peer.Requests().size() == 1; }));
    peer.Send({'W', 'D', '-', 'R', 'E', 'S', 'E', 'T', '\r'});
    ASSERT_TRUE(WaitUntil([&] { return notices.count() == 1; }));
    const QByteArray line = notices.at(0).at(0).toByteArray();
    EXPECT_TRUE(line.endsWith("\tWD-RESET \n\r")) << line.toStdString();
    EXPECT_EQ(conv.assembler().rxCount(), 0);
}

TEST_F(Fixture, PortThatCannotBeOpenedNamesComNumberDeviceAndReason) {
    conv.MapPort(3, "/nonexistent/ttyQL50");
    QString failure;
    EXPECT_FALSE(conv.EnsurePortOpen(2, 4800, &failure));
    EXPECT_FALSE(conv.portOpen());
    EXPECT_EQ(failure.section('\n', 0, 0), QString::fromUtf8("COM 3 kann nicht geöffnet werden."));
    EXPECT_TRUE(failure.section('\n', 1).startsWith("/nonexistent/ttyQL50: "))
        << failure.toStdString();
    EXPECT_EQ(conv.DeviceForPort(2), "/dev/ttyS1");
}

TEST_F(Fixture, HangUpIsReportedOnceAndTheNextOperationReopens) {
    PtyPeer& first = Open(Answer);
    QSignalSpy errors(&conv, &CConversation::portError);
    first.HangUp();
    ASSERT_TRUE(WaitUntil([&] { return errors.count() >= 1; }));
    conv.PumpDelay(1);
    EXPECT_EQ(errors.count(), 1);
    EXPECT_TRUE(errors.at(0).at(1).toBool());
    EXPECT_FALSE(conv.portOpen());
    // A wait on the lost line ends at once.
    conv.SendCommand(0, kReadParam, 4, 32);
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(conv.WaitForReply(), 0);
    EXPECT_LT(t.elapsed(), 1900) << "a wait that runs out takes more than 2 s";

    Open(Answer);
    conv.SendCommand(0, kReadParam, 4, 32);
    EXPECT_EQ(conv.WaitForReply(), 1);
}

}  // namespace
}  // namespace ql50
