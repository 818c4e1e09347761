#pragma once
// A reply wait that runs out because the module stays silent: it must block on the event
// queue, not poll, so it costs (almost) no CPU however long it lasts.
namespace ql50::bench {

struct IdleWaitRun {
    double wallSeconds = 0.0;
    double processCpuSeconds = 0.0;  // every thread: conversation, monitor, module server
    double threadCpuSeconds = 0.0;   // the conversation's thread alone
    long wakeUps = 0;                // sleeps of the conversation's thread during the wait
    int result = -1;                 // WaitForReply's return value (0: timed out)
};

IdleWaitRun SilentReplyWait();

}  // namespace ql50::bench
