#include "conversation/ReplyPump.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <vector>

namespace ql50 {
namespace {
// Loops of the pumps that run now on this thread, innermost last. Each thread that holds
// sessions pumps its own events.
std::vector<QEventLoop*>& ActiveLoops() {
    thread_local std::vector<QEventLoop*> loops;
    return loops;
}
}  // namespace

long long ReplyPump::NowSeconds() {
    return QDateTime::currentSecsSinceEpoch();
}

int ReplyPump::Depth() {
    return static_cast<int>(ActiveLoops().size());
}

bool ReplyPump::PumpUntil(const std::function<bool()>& done, long long deadlineSeconds,
                          int maxSeconds) {
    QElapsedTimer steady;
    steady.start();
    const qint64 steadyLimitMs = qint64(maxSeconds) * 1000;
    return Pump(done, [&] {
        const qint64 wallLeft = deadlineSeconds * 1000 - QDateTime::currentMSecsSinceEpoch();
        return std::min(wallLeft, steadyLimitMs - steady.elapsed());
    });
}

bool ReplyPump::PumpFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    QElapsedTimer steady;
    steady.start();
    return Pump(done, [&] { return qint64(limit.count()) - steady.elapsed(); });
}

bool ReplyPump::Pump(const std::function<bool()>& done, const std::function<long long()>& msLeft) {
    while (!done()) {
        const qint64 left = msLeft();
        if (left <= 0) return false;
        // Each pass sleeps at most one second, so the deadline is met even if a wake-up is lost.
        // A timer of its own, stopped with the pass: a single-shot timer would outlive a pass
        // that ends early and wake the thread a second later for nothing.
        QEventLoop loop;
        QTimer limit;
        limit.setSingleShot(true);
        QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
        limit.start(int(std::min<qint64>(left, 1000)));
        ActiveLoops().push_back(&loop);
        loop.exec();
        ActiveLoops().pop_back();
    }
    return true;
}

void ReplyPump::WakeAll() {
    for (QEventLoop* loop : ActiveLoops()) loop->quit();
}

}  // namespace ql50
