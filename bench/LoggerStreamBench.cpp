#include "LoggerStreamBench.h"

#include <QEventLoop>
#include <QTimer>
#include <stdexcept>
#include <string>

#include "BenchReport.h"
#include "ModuleOnPty.h"

namespace ql50::bench {
namespace {
constexpr int kStreamLimitMs = 120000;
}  // namespace

StreamRun TakeInLoggerStream(std::size_t loggerBytes) {
    ModuleOnPty rig;
    rig.module().FillLoggerBytes(loggerBytes);
    CConversation& conversation = rig.conversation();
    StreamRun run;
    const std::size_t expected = StreamFrames(loggerBytes);
    QEventLoop loop;
    QObject::connect(&conversation, &CConversation::loggerFrame, &loop, [&] {
        if (++run.frames == expected) loop.quit();
    });
    QTimer::singleShot(kStreamLimitMs, &loop, &QEventLoop::quit);

    const Switches gui = ThreadSwitches();
    const Switches all = ProcessSwitches();
    const Clock::time_point start = Clock::now();
    conversation.Send(req::kLoggerStream);
    // As the read-out does: the acknowledgement ends the wait, the stream follows.
    if (conversation.WaitForReply() != 1) throw std::runtime_error("logger: no acknowledgement");
    if (run.frames < expected) loop.exec();
    run.seconds = SecondsSince(start);
    run.guiThread = ThreadSwitches() - gui;
    run.process = ProcessSwitches() - all;
    if (run.frames != expected) {
        throw std::runtime_error("logger stream incomplete: " + std::to_string(run.frames) +
                                 " of " + std::to_string(expected) + " frames");
    }
    run.bytes = run.frames * kFrameSize;
    return run;
}

}  // namespace ql50::bench
