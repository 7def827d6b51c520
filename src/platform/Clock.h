#pragma once

#include <QDateTime>
#include <QtGlobal>

// The one source of "now" for code whose behaviour depends on time: dates written into files and
// logs, use-by times, countdowns, idle bounds. Tests set it, so no test depends on how fast the
// machine runs.
//
// now() is the local date and time; elapsed() counts milliseconds on a clock that never goes back
// (for waits and bounds), from an arbitrary start.
class Clock {
public:
    static QDateTime now();
    static qint64 elapsed();

    // Tests: fix both readings; advance() moves both forward together. reset() returns to the
    // system clocks.
    static void set(const QDateTime& moment);
    static void advance(qint64 milliseconds);
    static void reset();
    static bool isSet();
};
