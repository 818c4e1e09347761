#pragma once
// The floor of any synchronous hand-over between two threads on this machine: one thread
// signals an eventfd and blocks until the other, blocked on its own eventfd, signals back.
namespace ql50::bench {

// Seconds per round trip (one wake-up each way), averaged over `rounds`.
double EventfdPingPongSeconds(int rounds);

}  // namespace ql50::bench
