#include "controller/StatusFile.h"

#include "config/clsINIFile.h"
#include "fakes/ServiceFixture.h"
#include "platform/Clock.h"
#include "platform/ProgramFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

class StatusFileTest : public ServiceFixture {
protected:
    void SetUp() override
    {
        ServiceFixture::SetUp();
        Clock::set(QDateTime(QDate(2026, 12, 11), QTime(9, 0, 0)));
        QFile::remove(StatusFile::fileName());
        StatusFile::reset();
        QDir().mkpath(ProgramFolders::config());
        ini.setFileName(ProgramFolders::config() + QStringLiteral("/status-test.ini"));
        ini.EraseSection(QStringLiteral("COMMANDS"));
    }

    void TearDown() override
    {
        QFile::remove(ini.FileName());
        QFile::remove(StatusFile::fileName());
        StatusFile::reset();
        Clock::reset();
        ServiceFixture::TearDown();
    }

    static QJsonObject written()
    {
        QFile file(StatusFile::fileName());
        return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object() : QJsonObject();
    }

    clsINIFile ini;
};

TEST_F(StatusFileTest, TellsWhatTheKioskDidToday)
{
    ini.WriteString(QStringLiteral("COMMANDS"), QStringLiteral("new"), QStringLiteral("q:/update"));
    ini.WriteString(QStringLiteral("COMMANDS"), QStringLiteral("later"), QStringLiteral("@2026-12-11 10:00:00||q:/install"));
    ini.WriteString(QStringLiteral("COMMANDS"), QStringLiteral("ok"), QStringLiteral("@2026-12-11 08:00:00|done|q:/set?scope=S"));
    ini.WriteString(QStringLiteral("COMMANDS"), QStringLiteral("bad"), QStringLiteral("@2026-12-11 08:00:20|failed|q:/x"));
    StatusFile& status = StatusFile::instance();
    status.setEngine(true, false);
    Clock::advance(60 * 1000);
    status.noteSale();
    status.noteSale();
    for (qint32 severity : {0, 1, 2, 4, 5, 5})
        status.noteLogLine(severity);

    ASSERT_TRUE(status.update(&ini));
    const QJsonObject file = written();
    EXPECT_EQ(file.value(u"program_version").toString(), QStringLiteral("%1.%2.%3").arg(PCQUIBA_VERSION_MAJOR).arg(PCQUIBA_VERSION_MINOR).arg(PCQUIBA_VERSION_PATCH));
    EXPECT_EQ(file.value(u"package_version").toString(), QString());
    EXPECT_TRUE(file.value(u"started_at").toString().startsWith(QStringLiteral("2026-12-11T09:00:00")));
    EXPECT_TRUE(file.value(u"updated_at").toString().startsWith(QStringLiteral("2026-12-11T09:01:00")));
    EXPECT_TRUE(file.value(u"last_sale_at").toString().startsWith(QStringLiteral("2026-12-11T09:01:00")));
    EXPECT_EQ(file.value(u"pid").toInteger(), QCoreApplication::applicationPid());
    EXPECT_EQ(file.value(u"engine_ready").toBool(false), true);
    EXPECT_EQ(file.value(u"assigned").toBool(true), false);
    EXPECT_EQ(file.value(u"printer").toString(), QStringLiteral("unknown"));
    EXPECT_EQ(file.value(u"sales").toInteger(), 2);
    EXPECT_EQ(file.value(u"errors").toInteger(), 3);
    EXPECT_EQ(file.value(u"commands_pending").toInteger(), 2);
    EXPECT_EQ(file.value(u"commands_failed").toInteger(), 1);
    EXPECT_GE(file.value(u"disk_free_bytes").toInteger(-1), 0);
    EXPECT_EQ(file.value(u"disk_free_bytes").toInteger() % StatusFile::kDiskStep, 0);

    // A new day starts its counts afresh; the last sale stays.
    Clock::advance(qint64(15 * 3600 - 60) * 1000);
    ASSERT_EQ(Clock::now(), QDateTime(QDate(2026, 12, 12), QTime(0, 0, 0)));
    ASSERT_TRUE(status.update(&ini));
    EXPECT_EQ(written().value(u"sales").toInteger(), 0);
    EXPECT_EQ(written().value(u"errors").toInteger(), 0);
    EXPECT_TRUE(written().value(u"last_sale_at").toString().startsWith(QStringLiteral("2026-12-11T09:01:00")));
}

TEST_F(StatusFileTest, WrittenOnlyWhenSomethingChangedAndAtMostOnceASecond)
{
    StatusFile& status = StatusFile::instance();
    ASSERT_TRUE(status.update(&ini));
    Clock::advance(5000);
    EXPECT_FALSE(status.update(&ini)) << "nothing changed";
    EXPECT_TRUE(written().value(u"updated_at").toString().startsWith(QStringLiteral("2026-12-11T09:00:00")));

    status.setPrinter(QStringLiteral("ready"));
    ASSERT_TRUE(status.update(&ini));
    status.noteSale();
    Clock::advance(999);
    EXPECT_FALSE(status.update(&ini)) << "within a second of the last write";
    EXPECT_EQ(written().value(u"sales").toInteger(), 0);
    Clock::advance(1);
    ASSERT_TRUE(status.update(&ini));
    EXPECT_EQ(written().value(u"sales").toInteger(), 1);
    EXPECT_EQ(written().value(u"printer").toString(), QStringLiteral("ready"));
}

} // namespace
