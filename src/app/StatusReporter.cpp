#include "app/StatusReporter.h"

#include "controller/MainIni.h"
#include "controller/RulesEngine.h"
#include "controller/StatusFile.h"
#include "controller/frmController.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>

void StatusReporter::start()
{
    static QPointer<QTimer> timer;
    if (timer || !QCoreApplication::instance())
        return;
    timer = new QTimer(QCoreApplication::instance());
    timer->setInterval(kIntervalMs);
    QObject::connect(timer, &QTimer::timeout, timer, [] { report(); });
    timer->start();
    report();
}

void StatusReporter::report()
{
    StatusFile& status = StatusFile::instance();
    const bool loaded = frmController::isLoaded();
    const auto engine = loaded ? frmController::instance().Engine() : nullptr;
    status.setEngine(loaded && frmController::instance().EngineReady(), engine && !engine->AssignRequired());
    status.update(MainIni::get().get());
}
