#include "support/Wait.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace ql50::test {

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
    if (condition()) return true;
    // One running loop that looks at the condition every few milliseconds. A wait that slept
    // between passes of its own would slow the channel's byte-by-byte hand-over to one byte per
    // pass.
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (condition() || clock.elapsed() >= timeoutMs) loop.quit();
    });
    poll.start(5);
    loop.exec();
    return condition();
}

}  // namespace ql50::test
