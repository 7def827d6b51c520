#pragma once

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>

// A private session bus whose services folder holds only pcQUIBA's service file, made from the
// installed template with the built program, so that the first call on the name starts pcquiba
// the way a Sovereign's machine does. The program started by the bus inherits the daemon's
// environment: `root` becomes its program root.
class PrivateBus {
public:
    // The names a Sovereign calls pcQUIBA by.
    static inline const QString kService = QStringLiteral("org.pcquiba.pcQUIBA");
    static inline const QString kRootPath = QStringLiteral("/org/pcquiba/pcQUIBA");

    explicit PrivateBus(const QString& root = {})
    {
        const QString services = m_folder.path() + QStringLiteral("/services");
        QDir().mkpath(services);
        QFile templateFile(QStringLiteral(PCQUIBA_SOURCE_DIR "/data/dbus/org.pcquiba.pcQUIBA.service.in"));
        if (!templateFile.open(QIODevice::ReadOnly))
            return;
        QString service = QString::fromUtf8(templateFile.readAll());
        service.replace(QStringLiteral("@PCQUIBA_SERVICE_EXEC@"), programPath(QStringLiteral("pcquiba")));
        write(services + QStringLiteral("/org.pcquiba.pcQUIBA.service"), service);
        const QString config = m_folder.path() + QStringLiteral("/bus.conf");
        write(config, QStringLiteral("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                                     " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                                     "<busconfig><type>session</type><listen>unix:tmpdir=%1</listen>"
                                     "<servicedir>%2</servicedir><policy context=\"default\">"
                                     "<allow send_destination=\"*\"/><allow receive_sender=\"*\"/><allow own=\"*\"/></policy></busconfig>\n")
                          .arg(m_folder.path(), services));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        if (!root.isEmpty())
            environment.insert(QStringLiteral("PCQUIBA_ROOT"), root);
        m_daemon.setProcessEnvironment(environment);
        m_daemon.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--config-file=") + config, QStringLiteral("--print-address"),
                                                        QStringLiteral("--nofork")});
        if (m_daemon.waitForStarted() && m_daemon.waitForReadyRead(10000))
            m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    }
    ~PrivateBus()
    {
        stopService();
        QDBusConnection::disconnectFromBus(connectionName());
        m_daemon.terminate();
        m_daemon.waitForFinished(5000);
    }

    QString address() const { return m_address; }
    // Kills the bus daemon, as a session bus that dies does.
    void killDaemon()
    {
        m_daemon.kill();
        m_daemon.waitForFinished(10000);
    }
    // This process's own connection to the bus.
    QDBusConnection connect() const { return QDBusConnection::connectToBus(m_address, connectionName()); }

    // A program built beside the test programs' folder.
    static QString programPath(const QString& relative)
    {
        return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../") + relative);
    }

    // Ends the pcquiba the bus started, if any, and waits until it is gone.
    void stopService() const
    {
        if (m_address.isEmpty())
            return;
        const QDBusReply<uint> pid = connect().interface()->servicePid(kService);
        if (!pid.isValid())
            return;
        ::kill(pid_t(pid.value()), SIGTERM);
        QDeadlineTimer deadline(10000);
        while (QFile::exists(QStringLiteral("/proc/%1/exe").arg(pid.value())) && !deadline.hasExpired())
            QThread::msleep(20);
    }

private:
    // One per bus: a test may hold several.
    QString connectionName() const { return QStringLiteral("private:") + m_folder.path(); }

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
