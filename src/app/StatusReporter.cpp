#include "app/StatusReporter.h"

#include "components/PackageVersion.h"
#include "components/UpdatePackage.h"
#include "config/IniKeys.h"
#include "config/IniLocation.h"
#include "config/clsINIFile.h"
#include "controller/MainIni.h"
#include "controller/RulesEngine.h"
#include "controller/StatusFile.h"
#include "controller/frmController.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
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
    const auto ini = MainIni::get();
    if (ini)
        status.setPackageVersion(packageVersion(*ini));
    status.update(ini.get());
}

QString StatusReporter::packageVersion(const clsINIFile& ini)
{
    const QString record = QDir(IniLocation::iniGetPath(&ini, IniKeys::AppPath)).filePath(UpdatePackage::kVersionRecord);
    return QFileInfo::exists(record) ? PackageVersion::fromFile(record).toString() : QString();
}
