// Command texts through the remote command processor: each line of the input becomes one entry
// of the COMMANDS section of an INI file in a temporary program root, and one tick runs them
// with a fake utility, installer, host library and controller. Nothing may be written outside
// the temporary root: a file beside it is watched and the target aborts if it changes.
#include "services/ProcessState.h"
#include "components/IniCommandEntry.h"
#include "config/IniSections.h"
#include "config/clsINIFile.h"
#include "controller/CommandProcessor.h"
#include "controller/ConfigurationUtility.h"
#include "controller/HostFactory.h"
#include "controller/Installer.h"
#include "platform/ComponentRegistry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

namespace {

class Utility : public ConfigurationUtility {
public:
    QString className() const override { return QStringLiteral("Utility"); }
    bool ShowPanel(QString&, QString&) override { return false; }
    void BeginUpdate(QString&) override {}
    qint16 FilesToInstall(bool& isExe, QString& message) override
    {
        isExe = (++m_calls % 3) == 0;
        message = QStringLiteral("nothing");
        return qint16(m_calls % 2);
    }

private:
    int m_calls = 0;
};

class NoInstaller : public Installer {
public:
    QString className() const override { return QStringLiteral("Installer"); }
    void install(QString&) override {}
    void Rollback(QString&) override {}
};

class Connection : public HostConnection {
public:
    QString className() const override { return QStringLiteral("HostConnection"); }
    void setEventSink(HostConnectionEvents*) override {}
    void UploadFile(const QString&, const QString&) override {}
};

class QuietHost : public Host {
public:
    QString className() const override { return QStringLiteral("Host"); }
    std::shared_ptr<HostConnection> Connection(const ObjectRef&) override { return std::make_shared<::Connection>(); }
};

class Factory : public HostFactory {
public:
    QString className() const override { return QStringLiteral("HostFactory"); }
    std::shared_ptr<Host> CreateHost() override { return std::make_shared<QuietHost>(); }
};

class Controller : public CommandHost {
public:
    std::shared_ptr<RulesEngine> Engine() const override { return nullptr; }
    bool KioskMode() const override { return true; }
    void StartEngine() override {}
    void StopEngine() override {}
    void RaiseClosing(const QString&) override {}
    void setConnection(std::shared_ptr<HostConnection>) override {}
    bool startProgram(const QString&, const QStringList&) override { return true; }
    void endProcess() override {}
};

const QByteArray kWatched = "[S]\na=outside\n";

struct Setup {
    QTemporaryDir parent;
    QString root;
    QString watched;
    std::shared_ptr<clsINIFile> ini = std::make_shared<clsINIFile>();

    Setup()
    {
        root = parent.path() + QStringLiteral("/root");
        watched = parent.path() + QStringLiteral("/outside/watched.ini");
        QDir().mkpath(root + QStringLiteral("/config"));
        QDir().mkpath(root + QStringLiteral("/data"));
        QDir().mkpath(parent.path() + QStringLiteral("/outside"));
        write(watched, kWatched);
        write(root + QStringLiteral("/config/shop.ini"), "[S]\na=1\n");
        write(root + QStringLiteral("/data/journal.txt"), "x");
        write(root + QStringLiteral("/pcquiba-installer"), "");
        QFile::link(watched, root + QStringLiteral("/config/escape.ini"));
        qputenv("PCQUIBA_ROOT", root.toLocal8Bit());
        qputenv("PCQUIBA_REGISTRY", (root + QStringLiteral("/registry.reg")).toLocal8Bit());
        ini->setFileName(root + QStringLiteral("/config/pcQUIBA.ini"));
        ProcessState::instance().ini = ini;
        ComponentRegistry::registerFactory(CommandEntry::kClassId, [] { return std::make_shared<IniCommandEntry>(); });
        ComponentRegistry::registerFactory(ConfigurationUtility::kClassId, [] { return std::make_shared<Utility>(); });
        ComponentRegistry::registerFactory(Installer::kClassId, [] { return std::make_shared<NoInstaller>(); });
        ComponentRegistry::registerFactory(HostFactory::kClassId, [] { return std::make_shared<Factory>(); });
    }

    static void write(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(bytes);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Setup setup;
    if (size > 4096)
        return 0;
    const QStringList lines = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size))
                                  .split(QLatin1Char('\n'));
    setup.ini->EraseSection(IniSections::Commands);
    for (qsizetype i = 0; i < lines.size() && i < 8; ++i)
        setup.ini->WriteString(IniSections::Commands, QStringLiteral("c%1").arg(i), lines[i]);

    Controller controller;
    CommandProcessor processor(controller);
    processor.setInstallerProgram(setup.root + QStringLiteral("/pcquiba-installer"));
    processor.tmrCommand_Timer();

    QFile watched(setup.watched);
    if (!watched.open(QIODevice::ReadOnly) || watched.readAll() != kWatched)
        std::abort();
    return 0;
}
