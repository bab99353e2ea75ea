#pragma once

#include <QEventLoop>
#include <QTimer>

// Waits until `done` holds, at most `timeoutMs`, in a running event loop,
// as the program waits. QTest::qWaitFor lets events in only every 10 ms;
// the web engine, each of whose steps is a round trip through the event
// loop, then takes seconds over what the program does in milliseconds.
template <typename Predicate>
bool waitRunning(Predicate done, int timeoutMs = 5000)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer poll;
    poll.callOnTimeout([&] {
        if (done())
            loop.quit();
    });
    poll.start(5);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}
