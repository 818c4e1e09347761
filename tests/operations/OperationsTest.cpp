// The operations on the module, each once, on a QCoreApplication: the exact frames each sends
// to a module that answers everything, and how each ends against the virtual module with its
// faults switched on.
#include <gtest/gtest.h>

#include <QThread>
#include <atomic>
#include <sstream>

#include "link/Encoding.h"
#include "link/Registers.h"
#include "operations/CalibrationOps.h"
#include "operations/ConfigOps.h"
#include "operations/FactoryOps.h"
#include "operations/LiveOps.h"
#include "operations/LoggerOps.h"
#include "operations/LoggerReadout.h"
#include "sim/PtyServer.h"
#include "support/Pty.h"

namespace ql50 {
namespace {

using test::PtyPeer;
using test::ReplyTo;

// "op.type.register" with zero data, or "op.type.register:d0 d1 d2 d3" in hexadecimal.
Frame F(std::uint8_t address, const std::string& text) {
    std::istringstream in(text);
    int op = 0, type = 0, reg = 0;
    char dot = 0;
    in >> op >> dot >> type >> dot >> reg;
    DataBytes data{};
    if (in.peek() == ':') {
        in.get();
        for (std::uint8_t& d : data) {
            int byte = 0;
            in >> std::hex >> byte;
            d = std::uint8_t(byte);
        }
    }
    return BuildFrame(address, std::uint8_t(op), std::uint8_t(type), std::uint8_t(reg), data);
}

std::string Hex(const DataBytes& d) {
    char text[16];
    std::snprintf(text, sizeof text, ":%02X %02X %02X %02X", d[0], d[1], d[2], d[3]);
    return text;
}
std::string Float24(float v) {
    return Hex(EncodeFloat24(v));
}

// A module that answers everything: reads with float 1.5 (live values as float32, the others as
// the upper three bytes), the logger's fill level with 0 (an empty logger), writes with their echo.
std::vector<std::uint8_t> AnswerAll(const Frame& r) {
    if (r[kPosOp] == kWriteValue || r[kPosOp] == kWriteParam) return ReplyTo(r, FrameData(r));
    if (r[kPosOp] == kReadValue && r[kPosRegister] == kValueLoggerLevel) return ReplyTo(r, {});
    const bool live = r[kPosOp] == kReadValue && r[kPosRegister] <= kValueTemperature;
    return ReplyTo(r, live ? EncodeFloat32(1.5f) : EncodeFloat24(1.5f));
}

struct SequenceCase {
    const char* name;
    std::function<Outcome(Session&)> run;
    std::vector<std::string> frames;  // to address 5, unless a frame names another
    std::uint8_t addressAfter = 5;
};

class Sequences : public ::testing::TestWithParam<SequenceCase> {};

TEST_P(Sequences, SendExactlyTheseFrames) {
    PtyPeer peer(AnswerAll);
    Session session;
    session.MapPort(1, peer.path());
    ASSERT_EQ(session.Open(0, 4800), Outcome::Done);
    session.SetAddress(5);
    EXPECT_EQ(GetParam().run(session), Outcome::Done);
    std::vector<Frame> expected;
    std::uint8_t address = 5;
    for (const std::string& f : GetParam().frames) {
        if (f.rfind("@", 0) == 0) {  // "@n": the frames from here go to address n
            address = std::uint8_t(std::stoi(f.substr(1)));
            continue;
        }
        expected.push_back(F(address, f));
    }
    EXPECT_EQ(peer.Requests(), expected);
    EXPECT_EQ(session.address(), GetParam().addressAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Operations, Sequences,
    ::testing::Values(
        SequenceCase{
            "StartValues", ReadStartValues, {"2.4.32", "2.4.33", "2.4.34", "2.4.35", "2.1.28"}},
        SequenceCase{
            "LiveCycle", ReadLiveCycle, {"0.3.1", "0.4.2", "0.4.5", "0.4.4", "0.4.3", "0.4.6"}},
        SequenceCase{"MeasurementType", ReadMeasurementType, {"2.1.28"}},
        SequenceCase{"LoggerInfo",
                     ReadLoggerInfo,
                     {"0.2.55", "0.4.56", "0.3.59", "0.3.58", "2.2.76", "2.2.77"}},
        SequenceCase{"Clock",
                     [](Session& s) {
                         return SetModuleClock(s, {2026, 12, 7, 15, 4, 9});
                     },
                     {"1.3.59:0F 04 09 00", "1.3.58:1A 07 0C 00"}},
        SequenceCase{
            "ClearLogger", [](Session& s) { return ClearLogger(s); }, {"1.2.55:02 00 00 00"}},
        SequenceCase{"Calibration",
                     ReadCalibration,
                     {"2.1.28", "2.4.32", "2.4.33", "2.4.34", "2.4.35", "2.4.37"}},
        // The five values, the end of the series with the bytes of the last write, the
        // read-back.
        SequenceCase{"StoreCalibration",
                     [](Session& s) {
                         return StoreCalibration(s, {1.5f, 1.5f, 1.5f, 1.5f, 1.5f});
                     },
                     {"3.4.32" + Float24(1.5f), "3.4.33" + Float24(1.5f), "3.4.34" + Float24(1.5f),
                      "3.4.35" + Float24(1.5f), "3.4.37" + Float24(1.5f), "0.4.65" + Float24(1.5f),
                      "2.4.32", "2.4.33", "2.4.34", "2.4.35", "2.4.37"}},
        SequenceCase{"ReadConfiguration",
                     [](Session& s) { return ReadConfiguration(s); },
                     {"0.4.67", "2.1.28", "2.4.32", "2.4.33", "2.4.34", "2.1.30", "2.1.73",
                      "2.4.72", "2.4.31", "2.4.38", "2.2.76", "2.1.77", "2.1.74", "0.4.68"}},
        // One data buffer for the whole block: a write of one byte carries the other three of
        // the command before it. The address goes to the old address, the rest to the new one.
        SequenceCase{
            "WriteConfiguration",
            [](Session& s) {
                return WriteConfiguration(s,
                                          {-57.5f, 12.25f, 3.0f, 9, 20.5f, -0.5f, 3, 1, 300, 1, 4});
            },
            {"0.4.67", "3.4.32" + Float24(-57.5f), "3.4.33" + Float24(12.25f),
             "3.4.34" + Float24(3.0f), "3.1.30:09 40 40 00", "@9", "3.4.72" + Float24(20.5f),
             "3.4.38" + Float24(-0.5f), "3.1.28:04 00 BF 00", "3.1.73:01 00 BF 00",
             "3.2.76:2C 01 00 00", "3.1.77:01 01 00 00", "3.1.74:04 01 00 00", "0.4.65:04 01 00 00",
             "1.1.56:04 01 00 00", "0.4.68:04 01 00 00"},
            9},
        SequenceCase{"Parametrisation",
                     [](Session& s) {
                         const Outcome entered = EnterParametrisation(s, 3);
                         const Outcome left = LeaveParametrisation(s, 3);
                         EndParametrisation(s, 3);
                         return entered == Outcome::Done ? left : entered;
                     },
                     {"3.1.28:04 00 00 00", "0.3.69:04 00 00 00", "3.1.28:04 00 00 00",
                      "0.4.65:04 00 00 00"}},
        SequenceCase{"ParameterReport",
                     [](Session& s) { return ReadParameterReport(s); },
                     {"0.4.65", "2.2.0", "2.2.1", "2.2.6", "2.2.7", "2.2.8", "2.4.26", "2.1.130"}},
        SequenceCase{"DeviceCode",
                     [](Session& s) { return WriteDeviceCode(s, "12", 1); },
                     {"3.4.26:31 32 00 00", "3.1.130:01 00 00 00"}},
        SequenceCase{"Adjustment",
                     [](Session& s) {
                         BeginAdjustment(s, AdjustPoint::Battery);
                         s.PumpDelay(1);  // the reading comes in while the user watches it
                         const std::uint16_t shown = 0xC000;  // 1.5 as the upper bytes
                         if (RawReading(s, AdjustPoint::Battery) != shown) return Outcome::NoReply;
                         WriteAdjustment(s, AdjustPoint::Battery, 0x1234);
                         return Outcome::Done;
                     },
                     {"0.2.62", "3.2.8:34 12 00 00"}}),
    [](const auto& p) { return std::string(p.param.name); });

// ---- against the virtual module ------------------------------------------------------------

// The virtual module behind a pseudo-terminal, unpaced, and a session on it.
struct ModuleLine {
    ModuleLine() {
        std::string error;
        EXPECT_TRUE(server.Start(&error)) << error;
        session.MapPort(1, server.SlavePath());
        EXPECT_EQ(session.Open(0, 4800), Outcome::Done);
        session.SetAddress(module.Address());
    }
    sim::VirtualModule module;
    sim::PtyServer server{module};
    Session session;
};

float HeldCal(sim::VirtualModule& module, std::uint8_t reg) {
    return DecodeFloat24(module.Parameter(reg));
}

// Nothing counts as done that the module did not confirm, and nothing goes to the module that it
// cannot hold.
TEST(Faults, EndEachOperationWithWhatTheModuleDid) {
    const CalibrationSet values{11.5f, -58.5f, 0.25f, 3.5f, 1.25f};
    const struct {
        const char* name;
        std::function<void(ModuleLine&)> fault;
        std::function<Outcome(Session&)> run;
        Outcome outcome;
        std::function<bool(sim::VirtualModule&)> holds;
    } cases[] = {
        {"stored and read back",
         {},
         [&](Session& s) { return StoreCalibration(s, values); },
         Outcome::Done,
         [](auto& m) { return HeldCal(m, kParamCal2) == -58.5f; }},
        {"a write unanswered", [](ModuleLine& l) { l.module.SilenceRegister(kWriteParam, 33); },
         [&](Session& s) { return StoreCalibration(s, values); }, Outcome::NoReply,
         [](auto& m) {
             return HeldCal(m, kParamCal1) == 11.5f && HeldCal(m, kParamCal2) != -58.5f;
         }},
        {"a write acknowledged, not kept",
         [](ModuleLine& l) { l.module.AcknowledgeOnly(kWriteParam, kParamAirPressureFactor); },
         [&](Session& s) { return StoreCalibration(s, values); }, Outcome::NotConfirmed,
         [](auto& m) { return HeldCal(m, kParamAirPressureFactor) != 1.25f; }},
        {"line gone",
         [](ModuleLine& l) { l.server.HangUp(); },
         [&](Session& s) { return StoreCalibration(s, values); },
         Outcome::LineLost,
         {}},
        {"configuration write unanswered",
         [](ModuleLine& l) { l.module.SilenceRegister(kWriteParam, kParamFixedTemperature); },
         [](Session& s) {
             return WriteConfiguration(s, {1, 2, 3, 0, 20.5f, -0.5f, 7, 1, 60, 1, 0});
         },
         Outcome::NoReply,  // the block ends there: the offset after it is never written
         [](auto& m) { return HeldCal(m, kParamTempOffset) != -0.5f; }},
        {"clock before 2000",
         {},
         [](Session& s) {
             return SetModuleClock(s, {1999, 12, 31, 23, 59, 0});
         },
         Outcome::Refused,
         [](auto& m) { return m.ClockNow().year >= 2000; }},
        {"clock after 2255",
         {},
         [](Session& s) {
             return SetModuleClock(s, {2256, 1, 1, 0, 0, 0});
         },
         Outcome::Refused,
         {}},
        {"date unanswered", [](ModuleLine& l) { l.module.SilenceRegister(kWriteValue, 58); },
         [](Session& s) {
             return SetModuleClock(s, {2030, 5, 6, 7, 8, 9});
         },
         Outcome::NoReply, [](auto& m) { return m.ClockNow().year != 2030; }},
        {"silent module",
         [](ModuleLine& l) { l.module.SetSilent(true); },
         ReadStartValues,
         Outcome::NoReply,
         {}},
        {"bad checksums",
         [](ModuleLine& l) { l.module.SetBadChecksum(true); },
         ReadLiveCycle,
         Outcome::NoReply,
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ModuleLine line;
        if (c.fault) c.fault(line);
        EXPECT_EQ(c.run(line.session), c.outcome);
        if (c.holds) {
            EXPECT_TRUE(c.holds(line.module));
        }
    }
}

// A read-out counts the records that arrived whole; one whose line goes away ends short with
// its counts, as the windows and the tool report them.
TEST(LoggerReadoutOperation, CountsWhatArrivedAndEndsOnALostLine) {
    for (const bool hangUp : {false, true}) {
        SCOPED_TRACE(hangUp ? "hang-up" : "whole");
        ModuleLine line;
        line.module.FillLoggerRecords(300);
        line.module.SetLineRate(hangUp ? 19200 : 0);
        LoggerReadout readout(line.session);
        if (hangUp) {
            QObject::connect(&readout, &LoggerReadout::record, [&] {
                if (readout.receivedRecords() == 20) line.server.HangUp();
            });
        }
        ASSERT_EQ(readout.Start(), Outcome::Done);
        const Outcome outcome = readout.WaitUntilFinished();
        EXPECT_EQ(readout.expectedRecords(), 300u);
        if (hangUp) {
            EXPECT_EQ(outcome, Outcome::LineLost);
            EXPECT_GE(readout.receivedRecords(), 20u);
            EXPECT_LT(readout.receivedRecords(), 300u);
        } else {
            EXPECT_EQ(outcome, Outcome::Done);
            EXPECT_EQ(readout.receivedRecords(), 300u);
        }
    }
}

// Two modules on two lines, each session on its own thread: a silent module never holds up the
// other, whose poll cycles go on meanwhile.
TEST(Sessions, TwoLinesRunAtOnceEachOnItsOwnThread) {
    sim::VirtualModule silent, talking;
    silent.SetSilent(true);
    sim::PtyServer silentServer{silent}, talkingServer{talking};
    std::string error;
    ASSERT_TRUE(silentServer.Start(&error) && talkingServer.Start(&error)) << error;
    std::atomic<int> cycles{0};
    std::atomic<bool> silentDone{false};
    const auto run = [](const std::string& device, const std::function<bool(Outcome)>& more) {
        Session session;
        session.MapPort(1, device);
        if (session.Open(0, 4800) != Outcome::Done) return;
        while (more(ReadLiveCycle(session))) {
        }
    };
    std::unique_ptr<QThread> a(QThread::create([&] {
        run(silentServer.SlavePath(), [&](Outcome o) {
            EXPECT_EQ(o, Outcome::NoReply);
            silentDone = true;
            return false;
        });
    }));
    std::unique_ptr<QThread> b(QThread::create([&] {
        run(talkingServer.SlavePath(), [&](Outcome o) {
            EXPECT_EQ(o, Outcome::Done);
            ++cycles;
            return !silentDone;
        });
    }));
    a->start();
    b->start();
    ASSERT_TRUE(a->wait(test::kWaitLimitMs) && b->wait(test::kWaitLimitMs));
    EXPECT_GT(cycles.load(), 2) << "the other line's cycles went on while one waited";
}

}  // namespace
}  // namespace ql50
