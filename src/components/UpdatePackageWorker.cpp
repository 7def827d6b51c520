#include "components/UpdatePackageWorker.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <memory>

namespace {

bool offTheApplicationThread()
{
    return !QCoreApplication::instance() || QThread::currentThread() != QCoreApplication::instance()->thread();
}

} // namespace

void UpdatePackageWorker::startVoid(std::function<void()> work, std::function<void()> then)
{
    // Off the application's thread (the installer program's own run) nobody else needs answers.
    if (offTheApplicationThread()) {
        work();
        then();
        return;
    }
    QThread* thread = QThread::create(std::move(work));
    // Queued to the application object: runs from the event loop after the thread has ended.
    QObject::connect(thread, &QThread::finished, QCoreApplication::instance(),
                     [thread, then = std::move(then)] {
                         thread->wait();
                         thread->deleteLater();
                         then();
                     },
                     Qt::QueuedConnection);
    thread->start();
}

void UpdatePackageWorker::runVoid(const std::function<void()>& work)
{
    if (offTheApplicationThread()) {
        work();
        return;
    }
    QEventLoop loop;
    std::unique_ptr<QThread> thread(QThread::create(work));
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    thread->start();
    loop.exec();
    thread->wait();
}
