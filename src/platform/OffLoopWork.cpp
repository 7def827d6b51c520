#include "platform/OffLoopWork.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QList>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

namespace {

int g_waiting = 0;
QList<std::function<void()>> g_afterwards;
// One printer, one job at a time: a second piece of work waits on its own thread.
std::mutex g_turn;

// What the worker hands back to the waiting frame.
struct OffLoopOutcome {
    std::exception_ptr error;
    bool done = false;
};

void runPostponedSteps()
{
    while (g_waiting == 0 && !g_afterwards.isEmpty())
        g_afterwards.takeFirst()();
}

} // namespace

void OffLoopWork::run(const std::function<void()>& work)
{
    QCoreApplication* application = QCoreApplication::instance();
    if (!application || QThread::currentThread() != application->thread()) {
        work();
        return;
    }
    auto outcome = std::make_shared<OffLoopOutcome>();
    QEventLoop loop;
    QPointer<QEventLoop> waiting(&loop);
    ++g_waiting;
    std::thread([work, outcome, application, waiting] {
        {
            const std::lock_guard turn(g_turn);
            try {
                work();
            } catch (...) {
                outcome->error = std::current_exception();
            }
        }
        // The frame learns it on its own thread; the loop may have quit for another reason.
        QMetaObject::invokeMethod(application, [outcome, waiting] {
            outcome->done = true;
            if (waiting)
                waiting->quit();
        }, Qt::QueuedConnection);
    }).detach();
    while (!outcome->done)
        loop.exec();
    --g_waiting;
    if (g_waiting == 0 && !g_afterwards.isEmpty())
        QTimer::singleShot(0, application, runPostponedSteps);
    if (outcome->error)
        std::rethrow_exception(outcome->error);
}

bool OffLoopWork::underWay()
{
    return g_waiting > 0;
}

void OffLoopWork::afterwards(std::function<void()> step)
{
    if (g_waiting == 0) {
        step();
        return;
    }
    g_afterwards.append(std::move(step));
}
