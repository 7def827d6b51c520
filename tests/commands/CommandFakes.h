#pragma once

#include "controller/CommandHost.h"
#include "controller/ConfigurationUtility.h"
#include "controller/Installer.h"
#include "fakes/FakeRulesEngine.h"
#include "fakes/RecordingLogger.h"
#include "platform/AutomationError.h"

#include <QStringList>
#include <functional>
#include <optional>

// The controller as the command processor sees it: every call is written to `calls`.
class FakeCommandHost : public CommandHost {
public:
    bool Present() const override { return present; }
    std::shared_ptr<RulesEngine> Engine() const override { return engine; }
    bool KioskMode() const override { return kioskMode; }
    void StartEngine() override
    {
        calls << QStringLiteral("StartEngine");
        if (!engine)
            engine = std::make_shared<FakeRulesEngine>();
    }
    // The engine runs and no call is recorded yet: the state a tick finds on a working kiosk.
    void engineAlreadyRunning()
    {
        StartEngine();
        calls.clear();
    }
    void StopEngine() override
    {
        calls << QStringLiteral("StopEngine");
        engine.reset();
    }
    void RaiseClosing(const QString& message) override
    {
        calls << QStringLiteral("Closing(%1)").arg(message);
        // What the Sovereigns do inside the event.
        if (onClosing)
            onClosing();
    }
    void setConnection(std::shared_ptr<HostConnection> value) override { connection = std::move(value); }
    bool startProgram(const QString& program, const QStringList& arguments) override
    {
        calls << QStringLiteral("startProgram");
        startedProgram = program;
        startedArguments = arguments;
        return startSucceeds;
    }
    void endProcess() override { calls << QStringLiteral("endProcess"); }

    std::shared_ptr<FakeRulesEngine> engine;
    bool present = true;
    std::function<void()> onClosing;
    bool kioskMode = false;
    bool startSucceeds = true;
    std::shared_ptr<HostConnection> connection;
    QString startedProgram;
    QStringList startedArguments;
    QStringList calls;
};

// The configuration utility's update steps, scripted; or forwarded to a real implementation.
class FakeUtility : public ConfigurationUtility {
public:
    QString className() const override { return QStringLiteral("FakeUtility"); }
    bool ShowPanel(QString&, QString&) override { return false; }
    void BeginUpdate(QString& package) override
    {
        calls << QStringLiteral("BeginUpdate(%1)").arg(package);
        if (beginUpdate)
            beginUpdate(package);
    }
    qint16 FilesToInstall(bool& isExe, QString& message) override
    {
        calls << QStringLiteral("FilesToInstall");
        if (filesToInstall)
            return filesToInstall(isExe, message);
        isExe = exe;
        message = answerMessage;
        return count;
    }

    qint16 FilesToInstallPackage(QString& package, bool& isExe, QString& message) override
    {
        return offer(QStringLiteral("FilesToInstallPackage"), filesToInstallPackage, prepared, package, isExe, message);
    }
    qint16 FilesToRollBack(QString& package, bool& isExe, QString& message) override
    {
        return offer(QStringLiteral("FilesToRollBack"), filesToRollBack, installed, package, isExe, message);
    }

    qint16 count = 0;
    bool exe = false;
    QString answerMessage;
    // The package offered for an install and for a rollback.
    QString prepared;
    QString installed;
    std::function<void(QString&)> beginUpdate;
    std::function<qint16(bool&, QString&)> filesToInstall;
    using Offer = std::function<qint16(QString&, bool&, QString&)>;
    Offer filesToInstallPackage;
    Offer filesToRollBack;
    QStringList calls;

private:
    // The scripted answer, or the hook's.
    qint16 offer(const QString& call, const Offer& hook, const QString& offered, QString& package, bool& isExe,
                 QString& message)
    {
        calls << call;
        if (hook)
            return hook(package, isExe, message);
        package = offered;
        isExe = exe;
        message = answerMessage;
        return count;
    }
};

// The installer component, scripted; or forwarded to a real implementation.
class FakeInstaller : public Installer {
public:
    QString className() const override { return QStringLiteral("FakeInstaller"); }
    void install(QString& package) override
    {
        calls << QStringLiteral("install(%1)").arg(package);
        if (failure)
            throw *failure;
        if (forward)
            forward->install(package);
    }
    void Rollback(QString& package) override
    {
        calls << QStringLiteral("Rollback(%1)").arg(package);
        if (failure)
            throw *failure;
        if (forward)
            forward->Rollback(package);
    }

    std::optional<AutomationError> failure;
    std::shared_ptr<Installer> forward;
    QStringList calls;
};

inline void PrintTo(const RecordingLogger::Line& line, std::ostream* out)
{
    *out << line.severity << " \"" << line.text.toStdString() << '"';
}
