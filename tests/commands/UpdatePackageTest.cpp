#include "PackageFixture.h"

#include "components/UpdatePackage.h"

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
