#include "components/UpdatePackageWorker.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <memory>

void UpdatePackageWorker::runVoid(const std::function<void()>& work)
{
    // Off the application's thread (the installer program's own run) nobody waits for answers.
    if (!QCoreApplication::instance() || QThread::currentThread() != QCoreApplication::instance()->thread()) {
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
