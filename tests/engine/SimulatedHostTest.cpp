#include "SimulatedHostFactory.h"
#include "SimulatedRoot.h"
#include "fakes/RecordingHostEvents.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>
#include <gtest/gtest.h>

namespace {

void settle()
{
    for (int round = 0; round < 20; ++round) {
        QCoreApplication::processEvents();
        QThread::msleep(2);
    }
}

class SimulatedHostTest : public ::testing::Test {
protected:
    // Uploads through the factory chain pcQUIBA uses and returns the lines once settled.
    QStringList upload(const QString& localFile, const QString& remoteName)
    {
        auto connection = SimulatedHostFactory().CreateHost()->Connection(nullptr);
        RecordingHostEvents log;
        connection->setEventSink(&log);
        connection->UploadFile(localFile, remoteName);
        EXPECT_TRUE(log.lines.isEmpty()) << "the outcome came inside UploadFile";
        settle();
        return log.lines;
    }

    QString writeFile(const QString& name, const QByteArray& content) const
    {
        QFile file(root.path(name));
        file.open(QIODevice::WriteOnly);
        file.write(content);
        return file.fileName();
    }

    SimulatedRoot root;
};

TEST_F(SimulatedHostTest, AnUploadLandsInTheOutboxUnderTheChosenName)
{
    const QString log = writeFile(QStringLiteral("today.log"), "line 1\n");
    EXPECT_EQ(upload(log, {}), QStringList{QStringLiteral("UploadFileComplete %1 today.log").arg(log)});
    EXPECT_EQ(upload(log, QStringLiteral("../../escape.log")),
              QStringList{QStringLiteral("UploadFileComplete %1 escape.log").arg(log)});
    QFile copy(root.path(QStringLiteral("outbox/escape.log")));
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), QByteArray("line 1\n"));
    EXPECT_TRUE(QFile::exists(root.path(QStringLiteral("outbox/today.log"))));
}

TEST_F(SimulatedHostTest, AMissingFileEndsInAnErrorAndAConfiguredTimeoutInTimeout)
{
    const QString missing = root.path(QStringLiteral("nothing.log"));
    EXPECT_EQ(upload(missing, {}), QStringList{QStringLiteral("Error 53 File not found: ") + missing});
    root.set(QStringLiteral("SIMULATOR"), QStringLiteral("upload_timeout"), QStringLiteral("True"));
    EXPECT_EQ(upload(writeFile(QStringLiteral("a.log"), "x"), {}), QStringList{QStringLiteral("Timeout")});
}

TEST_F(SimulatedHostTest, AReleasedConnectionReportsNothing)
{
    RecordingHostEvents log;
    {
        auto connection = SimulatedHostFactory().CreateHost()->Connection(nullptr);
        connection->setEventSink(&log);
        connection->UploadFile(writeFile(QStringLiteral("b.log"), "x"), {});
    }
    settle();
    EXPECT_TRUE(log.lines.isEmpty());
}

} // namespace
