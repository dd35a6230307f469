#pragma once
// Waiting in tests, on the calling thread's events. QtCore (and QtTest for
// QSignalSpy) only, so that tests linking no widgets use them too.
//
// A check that something did NOT happen waits for a later event with these
// (a page shown, a signal, a posted call coming back), never for a span of
// time: pumpFor is for spans that are themselves what is measured.
//
// The events are handled as the program's own waits handle them: by the
// dispatcher at the caller's level, sleeping only while none arrive.
// QTest::qWaitFor does one pass over the events and then sleeps 10 ms, so the
// web engine's work in this thread goes one task per pass and a busy page
// stalls; QSignalSpy::wait runs a nested QEventLoop, which returns at once for
// the rest of the process after the last window has closed (the application
// was told to quit), so it stops handling anything.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QObject>
#include <QSignalSpy>
#include <QTimer>

#include <algorithm>

namespace qmtest {

// How often a wait asks its predicate again, at the longest.
inline constexpr int kPollMs = 5;

// Handles events as they arrive for ms milliseconds (at least one pass),
// sleeping while none do. Objects given to deleteLater at the caller's level
// are deleted as the caller's own loop would delete them.
inline void handleEventsFor(int ms) {
    const QDeadlineTimer until(std::max(ms, 0));
    QTimer bound;  // an event at the deadline at the latest, so the wait ends then
    bound.setSingleShot(true);
    do {
        bound.start(static_cast<int>(std::max<qint64>(1, until.remainingTime())));
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    } while (!until.hasExpired());
}

// Handles events until pred holds or timeoutMs passes; returns pred's last
// answer. A pred that holds at the call returns at once, handling nothing;
// otherwise it is asked again after at most kPollMs of events.
template <typename Pred>
bool waitFor(Pred pred, int timeoutMs) {
    if (pred()) return true;
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        handleEventsFor(static_cast<int>(std::min<qint64>(kPollMs, deadline.remainingTime())));
        if (pred()) return true;
    }
    return pred();
}

// Waits until spy has recorded at least count signals since it was made;
// false when timeoutMs passed first. Signals recorded before the call count.
inline bool waitForSignals(const QSignalSpy& spy, qsizetype count, int timeoutMs) {
    return waitFor([&spy, count] { return spy.size() >= count; }, timeoutMs);
}

// Handles every event posted to this thread before the call: posts a call of
// its own behind them and waits until it arrives. What the program queued by
// then (a zero timer, a queued slot) has run, and has returned when it was
// queued from the test's own level, even through a nested wait of its own.
// False when the call did not come within timeoutMs.
inline bool waitForPosted(int timeoutMs = 5000) {
    bool arrived = false;
    QObject receiver;  // a call still queued at a timeout goes with it
    QMetaObject::invokeMethod(&receiver, [&arrived] { arrived = true; }, Qt::QueuedConnection);
    return waitFor([&arrived] { return arrived; }, timeoutMs);
}

// Handles events for ms milliseconds. Only for spans of time that are what a
// test measures (playing a while to see how far the position moves).
inline void pumpFor(int ms) { handleEventsFor(ms); }

}  // namespace qmtest
