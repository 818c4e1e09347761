// ql50_bench_micro: Google Benchmark break-down of the receive path, for finding where time
// goes when a figure of ql50_bench moves. Items per second are frames (or round trips).
#include <benchmark/benchmark.h>

#include "DecodeBench.h"
#include "PingPong.h"
#include "link/Encoding.h"
#include "link/FrameAssembler.h"
#include "link/RegisterCatalogue.h"
#include "link/Registers.h"

namespace ql50::bench {
namespace {

const std::vector<std::uint8_t>& LoggerBytes() {
    static const std::vector<std::uint8_t> bytes = LoggerStreamReplies();
    return bytes;
}

const std::vector<std::uint8_t>& MixedBytes() {
    static const std::vector<std::uint8_t> bytes = MixedReplies();
    return bytes;
}

void PushOnly(benchmark::State& state) {
    const std::vector<std::uint8_t>& bytes = LoggerBytes();
    FrameAssembler assembler;
    for (auto _ : state) {
        for (const std::uint8_t byte : bytes) benchmark::DoNotOptimize(assembler.Push(byte));
    }
    state.SetItemsProcessed(std::int64_t(state.iterations()) * std::int64_t(bytes.size() / 11));
}
BENCHMARK(PushOnly);

void PushAndDispatch(benchmark::State& state, const std::vector<std::uint8_t>& bytes) {
    FrameAssembler assembler;
    CModulDaten modul;
    for (auto _ : state) {
        for (const std::uint8_t byte : bytes) {
            if (assembler.Push(byte) == RxEvent::ValidFrame) {
                benchmark::DoNotOptimize(DispatchReply(assembler.rxFrame(), modul));
            }
        }
    }
    state.SetItemsProcessed(std::int64_t(state.iterations()) * std::int64_t(bytes.size() / 11));
}
void LoggerStream(benchmark::State& state) {
    PushAndDispatch(state, LoggerBytes());
}
void Mixed(benchmark::State& state) {
    PushAndDispatch(state, MixedBytes());
}
BENCHMARK(LoggerStream);
BENCHMARK(Mixed);

// The costliest single reply: a live value formatted with the type's decimals.
void DispatchLiveValue(benchmark::State& state) {
    const Frame frame = BuildFrame(0, req::LiveNext(kValueLive1), EncodeFloat32(7.25f));
    CModulDaten modul;
    for (auto _ : state) benchmark::DoNotOptimize(DispatchReply(frame, modul));
    state.SetItemsProcessed(std::int64_t(state.iterations()));
}
BENCHMARK(DispatchLiveValue);

void EventfdPingPong(benchmark::State& state) {
    for (auto _ : state) {
        const double seconds = EventfdPingPongSeconds(2000);
        state.SetIterationTime(seconds * 2000);
        state.counters["us_per_round_trip"] = seconds * 1e6;
    }
}
BENCHMARK(EventfdPingPong)->UseManualTime()->Iterations(5);

}  // namespace
}  // namespace ql50::bench

BENCHMARK_MAIN();
