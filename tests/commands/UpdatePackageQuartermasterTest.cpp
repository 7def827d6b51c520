#include "PackageFixture.h"

#include "common/TestEventLoop.h"

#include <QCoreApplication>

#include "services/Trace.h"
#include "components/PackageInstaller.h"
#include "components/UpdatePackageQuartermaster.h"
#include "components/UpdatePackageState.h"
#include "config/IniKeys.h"
#include "config/IniSections.h"



class UpdatePackageQuartermasterTest : public PackageFixture {
protected:
    QString quartermaster(const QString& key) const { return ini->GetString(IniSections::Quartermaster, key); }

    struct Answer {
        qint16 count;
        bool isExe;
        QString message;
    };
    Answer filesToInstall()
    {
        Answer answer{0, true, QStringLiteral("unchanged")};
        answer.count = steps->filesToInstall(answer.isExe, answer.message);
        return answer;
    }

    void SetUp() override
    {
        PackageFixture::SetUp();
        steps = std::make_unique<UpdatePackageQuartermaster>(ini);
    }

    std::unique_ptr<UpdatePackageQuartermaster> steps;
};

TEST_F(UpdatePackageQuartermasterTest, PreparedPackageIsOfferedForInstall)
{
    placePackage(QStringLiteral("p.tar.gz"), [](UpdatePackageWriter& w) {
        goodPackage(w);
        w.setProgramInstaller(true);
    });
    QString package = QStringLiteral("p.tar.gz");

    steps->beginUpdate(package);

    EXPECT_EQ(quartermaster(IniKeys::State), UpdatePackageState::kPending);
    EXPECT_EQ(quartermaster(IniKeys::Package), QStringLiteral("p.tar.gz"));
    EXPECT_EQ(quartermaster(IniKeys::Checksum).size(), 64);
    const Answer answer = filesToInstall();
    EXPECT_EQ(answer.count, 3);
    EXPECT_TRUE(answer.isExe);
}

TEST_F(UpdatePackageQuartermasterTest, WithoutANameTheNewestPackageIsTaken)
{
    placePackage(QStringLiteral("old.tar.gz"), goodPackage);
    const QString newer = placePackage(QStringLiteral("new.tar.gz"), goodPackage);
    QFile(newer).setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime);
    QString package;

    steps->beginUpdate(package);

    EXPECT_EQ(package, QStringLiteral("new.tar.gz"));
    EXPECT_EQ(quartermaster(IniKeys::Package), QStringLiteral("new.tar.gz"));
}

TEST_F(UpdatePackageQuartermasterTest, NothingToInstallSaysWhy)
{
    struct Case {
        const char* what;
        std::function<void()> arrange;
        QString logged; // warning written by BeginUpdate, if any
        QString message;
    };
    const Case cases[] = {
        {"no package prepared", [] {}, QString(), UpdatePackageQuartermaster::kNothingWaiting},
        {"empty download folder",
         [this] {
             QString none;
             steps->beginUpdate(none);
         },
         QStringLiteral("No update package found in ") + download, UpdatePackageQuartermaster::kNothingWaiting},
        {"hostile package",
         [this] {
             placePackage(QStringLiteral("h.tar.gz"), hostilePackage("symbolic link").build);
             QString name = QStringLiteral("h.tar.gz");
             steps->beginUpdate(name);
         },
         QStringLiteral("Update package h.tar.gz: member bin/sh is a link"), UpdatePackageQuartermaster::kNothingWaiting},
        {"package changed after it was prepared",
         [this] {
             placePackage(QStringLiteral("p.tar.gz"), goodPackage);
             QString name = QStringLiteral("p.tar.gz");
             steps->beginUpdate(name);
             placePackage(QStringLiteral("p.tar.gz"), [](UpdatePackageWriter& w) { w.addFile(QStringLiteral("x"), "y"); });
         },
         QString(), QStringLiteral("Update package p.tar.gz has changed or gone since it was prepared")},
    };
    for (const Case& c : cases) {
        ini->EraseSection(IniSections::Quartermaster);
        logger->lines.clear();
        c.arrange();
        const Answer answer = filesToInstall();
        EXPECT_EQ(answer.count, 0) << c.what;
        EXPECT_FALSE(answer.isExe) << c.what;
        EXPECT_EQ(answer.message, c.message) << c.what;
        if (!c.logged.isEmpty()) {
            EXPECT_TRUE(logger->lines.contains(RecordingLogger::Line{c.logged, Trace::WarningSeverity})) << c.what;
        }
    }
}

// After an install nothing waits to be installed; the kept files are offered for a rollback only.
TEST_F(UpdatePackageQuartermasterTest, AfterAnInstallTheKeptFilesAreOfferedForRollbackOnly)
{
    placeApplication();
    placePackage(QStringLiteral("p.tar.gz"), goodPackage);
    QString package = QStringLiteral("p.tar.gz");
    steps->beginUpdate(package);
    PackageInstaller(ini).install(package);

    const Answer answer = filesToInstall();
    EXPECT_EQ(answer.count, 0);
    EXPECT_EQ(answer.message, UpdatePackageQuartermaster::kNothingWaiting);

    QString installed;
    bool isExe = true;
    QString message;
    EXPECT_EQ(steps->filesToRollBack(installed, isExe, message), 3);
    EXPECT_EQ(installed, QStringLiteral("p.tar.gz"));
    EXPECT_FALSE(isExe);

    PackageInstaller(ini).Rollback(installed);
    EXPECT_EQ(steps->filesToRollBack(installed, isExe, message), 0);
    EXPECT_EQ(message, UpdatePackageQuartermaster::kNothingInstalled);
}

// The package is read on a worker while the event loop runs, so the screen and the bus answer.
TEST_F(UpdatePackageQuartermasterTest, EventsAreServedWhileAPackageIsChecked)
{
    placePackage(QStringLiteral("p.tar.gz"), goodPackage);
    struct Step {
        const char* what;
        std::function<void()> run;
    };
    QString package = QStringLiteral("p.tar.gz");
    const Step steps_[] = {
        {"beginUpdate", [&] { steps->beginUpdate(package); }},
        {"filesToInstall", [&] { EXPECT_EQ(filesToInstall().count, 3); }},
    };
    for (const Step& step : steps_) {
        bool served = false;
        QMetaObject::invokeMethod(QCoreApplication::instance(), [&] { served = true; }, Qt::QueuedConnection);
        step.run();
        EXPECT_TRUE(served) << step.what;
        TestEventLoop::runPending();
    }
    EXPECT_EQ(quartermaster(IniKeys::State), UpdatePackageState::kPending);
}
