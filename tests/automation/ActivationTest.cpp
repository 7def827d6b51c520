#include "BusTestSupport.h"

#include <QDBusConnectionInterface>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>

namespace {

const QString kService = QStringLiteral("org.pcquiba.pcQUIBA");

// A private session bus whose services folder holds only pcQUIBA's service file, made from the
// installed template with the built program.
class PrivateBus {
public:
    PrivateBus()
    {
        const QString services = m_folder.path() + QStringLiteral("/services");
        QDir().mkpath(services);
        QFile templateFile(QStringLiteral(PCQUIBA_SOURCE_DIR "/data/dbus/org.pcquiba.pcQUIBA.service.in"));
        if (!templateFile.open(QIODevice::ReadOnly))
            return;
        QString service = QString::fromUtf8(templateFile.readAll());
        service.replace(QStringLiteral("@PCQUIBA_SERVICE_EXEC@"),
                        QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../pcquiba")));
        write(services + u'/' + kService + QStringLiteral(".service"), service);
        const QString config = m_folder.path() + QStringLiteral("/bus.conf");
        write(config, QStringLiteral("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                                     " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                                     "<busconfig><type>session</type><listen>unix:tmpdir=%1</listen>"
                                     "<servicedir>%2</servicedir><policy context=\"default\">"
                                     "<allow send_destination=\"*\"/><allow receive_sender=\"*\"/><allow own=\"*\"/></policy></busconfig>\n")
                          .arg(m_folder.path(), services));
        m_daemon.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--config-file=") + config, QStringLiteral("--print-address"),
                                                        QStringLiteral("--nofork")});
        if (m_daemon.waitForStarted() && m_daemon.waitForReadyRead(10000))
            m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    }
    ~PrivateBus()
    {
        QDBusConnection::disconnectFromBus(QStringLiteral("private"));
        m_daemon.terminate();
        m_daemon.waitForFinished(5000);
    }

    QString address() const { return m_address; }

private:
    static void write(const QString& fileName, const QString& text)
    {
        QFile file(fileName);
        if (file.open(QIODevice::WriteOnly))
            file.write(text.toUtf8());
    }

    QTemporaryDir m_folder;
    QProcess m_daemon;
    QString m_address;
};

TEST(ActivationTest, TheFirstCallOnTheNameStartsPcquibaFromTheServiceFile)
{
    PrivateBus bus;
    ASSERT_FALSE(bus.address().isEmpty());
    QDBusConnection connection = QDBusConnection::connectToBus(bus.address(), QStringLiteral("private"));
    ASSERT_TRUE(connection.isConnected());
    QDBusConnectionInterface* names = connection.interface();
    EXPECT_FALSE(names->isServiceRegistered(kService).value());

    const QDBusReply<void> started = names->startService(kService);
    ASSERT_TRUE(started.isValid()) << started.error().message().toStdString();
    EXPECT_TRUE(names->isServiceRegistered(kService).value());

    const QDBusReply<uint> pid = names->servicePid(kService);
    ASSERT_TRUE(pid.isValid());
    EXPECT_TRUE(QFile::exists(QStringLiteral("/proc/%1").arg(pid.value())));
    ::kill(pid_t(pid.value()), SIGTERM);
    EXPECT_TRUE(waitUntil([&] { return !names->isServiceRegistered(kService).value(); }));
}

} // namespace
