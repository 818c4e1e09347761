#include "IdleWaitBench.h"

#include "BenchReport.h"
#include "ModuleOnPty.h"

namespace ql50::bench {

IdleWaitRun SilentReplyWait() {
    ModuleOnPty rig;
    rig.module().SetSilent(true);
    CConversation& conversation = rig.conversation();
    conversation.Send(req::ReadCal(1));
    IdleWaitRun run;
    const double process = ProcessCpuSeconds();
    const double thread = ThreadCpuSeconds();
    const Switches switches = ThreadSwitches();
    const Clock::time_point start = Clock::now();
    run.result = conversation.WaitForReply();
    run.wallSeconds = SecondsSince(start);
    run.threadCpuSeconds = ThreadCpuSeconds() - thread;
    run.processCpuSeconds = ProcessCpuSeconds() - process;
    run.wakeUps = (ThreadSwitches() - switches).voluntary;
    return run;
}

}  // namespace ql50::bench
