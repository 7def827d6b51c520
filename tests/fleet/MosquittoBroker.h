#pragma once

#include "platform/SystemNames.h"
#include "FleetAcl.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <unistd.h>

// A mosquitto broker of the test's own, configured as docs/fleet.md tells: TLS on a free
// local port (as the user running the test: as root, mosquitto would otherwise become the user
// "mosquitto", who cannot read the test's folder), a client certificate per kiosk and operator made here by openssl, the user name
// taken from the certificate, persistence, and the access file written from the roster.
class MosquittoBroker {
public:
    struct Identity {
        QString cert;
        QString key;
    };

    explicit MosquittoBroker(const QString& roster)
    {
        m_folder = m_temporary.path();
        QDir().mkpath(m_folder + QStringLiteral("/persistence"));
        m_ok = openssl({"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-days", "2",
                        "-subj", "/CN=fleet test CA", "-keyout", path("ca.key"), "-out", path("ca.pem")})
               && makeCertificate(QStringLiteral("localhost"), true);
        QString acl;
        QString error;
        m_ok = m_ok && FleetAcl::fromRoster(roster, acl, error);
        write(QStringLiteral("acl"), acl.toUtf8());
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        m_port = probe.serverPort();
        probe.close();
        // "user": the broker keeps the account the test runs as (root on CI), rather than dropping
        // to the mosquitto account, which could not read the test's private key files.
        write(QStringLiteral("mosquitto.conf"),
              QStringLiteral("per_listener_settings false\n"
                             "user %3\nlog_type error\nlog_type warning\n"
                             "persistence true\npersistence_location %1/persistence/\nautosave_interval 60\n"
                             "max_queued_messages 5000\nmax_inflight_messages 20\nmax_packet_size 65536\n"
                             "persistent_client_expiration 30d\n"
                             "allow_anonymous false\nacl_file %1/acl\n"
                             "listener %2 127.0.0.1\n"
                             "cafile %1/ca.pem\ncertfile %1/localhost.pem\nkeyfile %1/localhost.key\n"
                             "require_certificate true\nuse_identity_as_username true\n")
                  .arg(m_folder)
                  .arg(m_port)
                  .arg(SystemNames::userName())
                  .toUtf8());
    }

    ~MosquittoBroker() { stop(); }

    bool ok() const { return m_ok; }
    int port() const { return m_port; }
    QString url() const { return QStringLiteral("mqtts://localhost:%1").arg(m_port); }
    QString caFile() const { return path("ca.pem"); }
    QString folder() const { return m_folder; }

    // A client certificate whose common name is the given name.
    Identity identity(const QString& name)
    {
        if (!QFile::exists(path(name + QStringLiteral(".pem"))))
            m_ok = makeCertificate(name, false) && m_ok;
        return {path(name + QStringLiteral(".pem")), path(name + QStringLiteral(".key"))};
    }

    // Starts the broker and waits until it accepts connections.
    bool start()
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral("mosquitto"), {QStringLiteral("-c"), path("mosquitto.conf")});
        if (!m_process.waitForStarted(10000))
            return false;
        const QDeadlineTimer deadline(30000);
        while (!deadline.hasExpired() && m_process.state() == QProcess::Running) {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, quint16(m_port));
            if (socket.waitForConnected(1000))
                return true;
            QThread::msleep(20);
        }
        return false;
    }

    // An orderly stop: the broker writes its persistence file before it ends.
    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(30000))
            m_process.kill();
        m_process.waitForFinished(5000);
    }

private:
    QString path(const char* name) const { return path(QString::fromLatin1(name)); }
    QString path(const QString& name) const { return m_folder + u'/' + name; }

    void write(const QString& name, const QByteArray& bytes) const
    {
        QFile file(path(name));
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(bytes);
    }

    static bool openssl(const QStringList& arguments)
    {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(QStringLiteral("openssl"), arguments);
        if (!process.waitForFinished(60000) || process.exitCode() != 0) {
            qWarning("openssl %s: %s", qPrintable(arguments.join(u' ')), process.readAll().constData());
            return false;
        }
        return true;
    }
    static bool openssl(std::initializer_list<QString> arguments) { return openssl(QStringList(arguments)); }

    bool makeCertificate(const QString& name, bool server)
    {
        const QString extensions = path(name + QStringLiteral(".ext"));
        write(name + QStringLiteral(".ext"),
              server ? QByteArrayLiteral("subjectAltName=DNS:localhost,IP:127.0.0.1\n") : QByteArrayLiteral("basicConstraints=CA:FALSE\n"));
        return openssl({"req", "-new", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-subj",
                        QStringLiteral("/CN=") + name, "-keyout", path(name + QStringLiteral(".key")), "-out",
                        path(name + QStringLiteral(".csr"))})
               && openssl({"x509", "-req", "-in", path(name + QStringLiteral(".csr")), "-CA", path("ca.pem"), "-CAkey",
                           path("ca.key"), "-CAcreateserial", "-days", "2", "-extfile", extensions, "-out",
                           path(name + QStringLiteral(".pem"))});
    }

    QTemporaryDir m_temporary;
    QString m_folder;
    QProcess m_process;
    int m_port = 0;
    bool m_ok = false;
};
