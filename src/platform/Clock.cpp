#include "platform/Clock.h"

#include <QElapsedTimer>
#include <optional>

namespace {

struct FixedTime {
    QDateTime moment;
    qint64 elapsed = 0;
};

std::optional<FixedTime>& fixedTime()
{
    static std::optional<FixedTime> fixed;
    return fixed;
}

qint64 systemElapsed()
{
    static QElapsedTimer timer = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return timer.elapsed();
}

} // namespace

QDateTime Clock::now()
{
    return fixedTime() ? fixedTime()->moment : QDateTime::currentDateTime();
}

qint64 Clock::elapsed()
{
    return fixedTime() ? fixedTime()->elapsed : systemElapsed();
}

void Clock::set(const QDateTime& moment)
{
    fixedTime() = FixedTime{moment, fixedTime() ? fixedTime()->elapsed : systemElapsed()};
}

void Clock::advance(qint64 milliseconds)
{
    if (!fixedTime())
        set(QDateTime::currentDateTime());
    fixedTime()->moment = fixedTime()->moment.addMSecs(milliseconds);
    fixedTime()->elapsed += milliseconds;
}

void Clock::reset()
{
    fixedTime().reset();
}

bool Clock::isSet()
{
    return fixedTime().has_value();
}
