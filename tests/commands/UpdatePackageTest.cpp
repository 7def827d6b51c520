#include "PackageFixture.h"

#include "components/PackageVersion.h"
#include "components/UpdatePackage.h"

#include <sys/stat.h>

class UpdatePackageTest : public PackageFixture {};

TEST_F(UpdatePackageTest, GoodPackageIsVerifiedAndUnpacked)
{
    const QString file = placePackage(QStringLiteral("p.tar.gz"), [](UpdatePackageWriter& w) {
        goodPackage(w);
        w.setProgramInstaller(true);
    });
    QTemporaryDir into;

    UpdatePackage package;
    ASSERT_TRUE(package.load(file, into.path())) << package.error().toStdString();

    EXPECT_TRUE(package.programInstaller());
    QStringList paths;
    for (const auto& f : package.files())
        paths << f.path + (f.executable ? QStringLiteral("*") : QString());
    EXPECT_EQ(paths, (QStringList{QStringLiteral("bin/tool*"), QStringLiteral("share/old.txt"),
                                  QStringLiteral("share/new.txt")}));
    EXPECT_EQ(read(into.path() + QStringLiteral("/bin/tool")), QByteArray("new tool\n"));
    EXPECT_EQ(read(into.path() + QStringLiteral("/share/new.txt")), QByteArray("added\n"));
    EXPECT_TRUE(package.error().isEmpty());
}

TEST_F(UpdatePackageTest, HostileOrDamagedPackageIsRefusedWithItsReason)
{
    for (const Hostile& hostile : hostilePackages()) {
        const QString file = placePackage(QStringLiteral("h.tar.gz"), hostile.build);
        if (hostile.damage)
            hostile.damage(file);
        QTemporaryDir parent;
        const QString into = parent.path() + QStringLiteral("/a/b");
        ASSERT_TRUE(QDir().mkpath(into));

        UpdatePackage package;
        EXPECT_FALSE(package.load(file, into)) << hostile.what;
        EXPECT_EQ(package.error(), QStringLiteral("Update package h.tar.gz: ") + hostile.reason) << hostile.what;
        const Snapshot outside = snapshot(parent.path());
        for (const QString& path : outside.keys())
            EXPECT_TRUE(path.startsWith(QStringLiteral("a/b/"))) << hostile.what << ": " << path.toStdString();
    }
}

TEST_F(UpdatePackageTest, PackageNamesAndMemberPaths)
{
    struct Case {
        QString path;
        bool safe;
        bool plainName;
    };
    const Case cases[] = {
        {QStringLiteral("p.tar.gz"), true, true},        {QStringLiteral("bin/pcquiba"), true, false},
        {QStringLiteral("..hidden.tar.gz"), true, true}, {QStringLiteral(".."), false, false},
        {QStringLiteral("."), false, false},             {QStringLiteral("a/../b"), false, false},
        {QStringLiteral("/abs"), false, false},          {QStringLiteral("a//b"), false, false},
        {QStringLiteral("a\\b"), false, false},          {QStringLiteral("dir/"), false, false},
        {QString(), false, false},                       {QStringLiteral("new\nline"), false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UpdatePackage::isSafePath(c.path), c.safe) << c.path.toStdString();
        EXPECT_EQ(UpdatePackage::isPlainName(c.path), c.plainName) << c.path.toStdString();
    }
}

TEST_F(UpdatePackageTest, FoldersUpToTheBoundAreAccepted)
{
    const QString file = placePackage(QStringLiteral("p.tar.gz"), [](UpdatePackageWriter& w) {
        goodPackage(w);
        for (int i = 0; i < UpdatePackage::kMaxFolders; ++i)
            w.addMember(raw(QStringLiteral("d%1/").arg(i), {}, '5'));
    });
    UpdatePackage package;
    EXPECT_TRUE(package.load(file)) << package.error().toStdString();
}

TEST_F(UpdatePackageTest, EveryMembersDeclaredSizeCountsTowardsTheBound)
{
    // 600 bytes of file data and a folder that declares 600 more: over a bound of 1000.
    const QString file = placePackage(QStringLiteral("p.tar.gz"), [](UpdatePackageWriter& w) {
        w.addFile(QStringLiteral("bin/tool"), QByteArray(600, 't'));
        w.addMember(raw(QStringLiteral("share/"), {}, '5', {}, 600));
    });
    UpdatePackage bounded(1000);
    EXPECT_FALSE(bounded.load(file));
    EXPECT_EQ(bounded.error(), QStringLiteral("Update package p.tar.gz: the files are too large together"));
    UpdatePackage roomy(1200);
    EXPECT_FALSE(roomy.load(file)) << "the folder's declared data is missing from the archive";
    EXPECT_EQ(roomy.error(), QStringLiteral("Update package p.tar.gz: truncated or damaged"));
}

TEST_F(UpdatePackageTest, OnlyARegularFileIsOpenedAsAPackage)
{
    const QString good = placePackage(QStringLiteral("p.tar.gz"), goodPackage);
    const QString fifo = download + QStringLiteral("/fifo.tar.gz");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(good, download + QStringLiteral("/link.tar.gz")));
    ASSERT_TRUE(QFile::link(fifo, download + QStringLiteral("/fifo-link.tar.gz")));
    struct Case {
        QString name;
        QString error; // empty: accepted
    };
    const Case cases[] = {
        {QStringLiteral("link.tar.gz"), {}},
        {QStringLiteral("fifo.tar.gz"), QStringLiteral("Update package fifo.tar.gz: is not a regular file")},
        {QStringLiteral("fifo-link.tar.gz"), QStringLiteral("Update package fifo-link.tar.gz: is not a regular file")},
        {QStringLiteral("/dev/null"), QStringLiteral("Update package null: is not a regular file")},
    };
    for (const Case& c : cases) {
        const QString path = c.name.startsWith(QLatin1Char('/')) ? c.name : download + QLatin1Char('/') + c.name;
        UpdatePackage package;
        // A FIFO without a writer would block an open without O_NONBLOCK: this returns at once.
        EXPECT_EQ(package.load(path), c.error.isEmpty()) << c.name.toStdString();
        EXPECT_EQ(package.error(), c.error);
        EXPECT_EQ(UpdatePackage::fileChecksum(path).isEmpty(), !c.error.isEmpty()) << c.name.toStdString();
    }
}

TEST_F(UpdatePackageTest, VersionsAreComparedNumberByNumber)
{
    struct Case {
        const char* version;
        const char* other;
        bool newer;
    };
    const Case cases[] = {
        {"1.0.10", "1.0.9", true}, {"1.0.9", "1.0.10", false}, {"1.4", "1.4.0", false}, {"1.4.0", "1.4", false},
        {"2", "1.99.99", true},    {"1.0.0", "1.0.0", false},  {"0.0.1", "0", true},    {"007.1", "7.0", true},
    };
    for (const Case& c : cases) {
        const auto version = PackageVersion::parse(QString::fromLatin1(c.version));
        const auto other = PackageVersion::parse(QString::fromLatin1(c.other));
        ASSERT_TRUE(version && other) << c.version << " " << c.other;
        EXPECT_EQ(version->isNewerThan(*other), c.newer) << c.version << " against " << c.other;
    }
    for (const char* bad : {"", "1..2", "1.2.", "v1", "1.-2", "1.2.3.4.5.6.7.8.9", "1234567890", " 1"})
        EXPECT_FALSE(PackageVersion::parse(QString::fromLatin1(bad))) << bad;
    EXPECT_EQ(PackageVersion::fromFile(download + QStringLiteral("/none")).toString(), QStringLiteral("0"));
}
