#include "common/TestEventLoop.h"

#include <QCoreApplication>
#include <QEvent>

void TestEventLoop::runPending()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}
