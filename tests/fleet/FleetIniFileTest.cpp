#include "FleetSettings.h"

#include "config/IniFixtureFiles.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

const QString kFleetRegistryHeader = u"Windows Registry Editor Version 5.00\r\n\r\n"
                                     u"[HKEY_LOCAL_MACHINE\\Software\\QUIBA\\pcQUIBA]\r\n"_s;

struct DefaultIniCase {
    const char* name;
    QStringList files;
    QString registryLine;
    QString expected;
};

// Without --ini the agent reads the INI file pcQUIBA reads, wherever the kiosk keeps it.
TEST(FleetIniFileTest, DefaultFollowsTheRegistryThenTheSearchFolders)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const ScopedEnvironment root("PCQUIBA_ROOT", dir.path() + u"/root"_s);
    const ScopedEnvironment registry("PCQUIBA_REGISTRY", dir.path() + u"/registry.reg"_s);
    const QString registered = u"\"INI Path\"=\"%DIR%/elsewhere/shop.ini\""_s;
    const DefaultIniCase cases[] = {
        {"nothing anywhere", {}, {}, u"root/config/pcQUIBA.ini"_s},
        {"only in the root", {u"root/pcQUIBA.ini"_s}, {}, u"root/pcQUIBA.ini"_s},
        {"registered file before the config folder", {u"root/config/pcQUIBA.ini"_s, u"elsewhere/shop.ini"_s},
         registered, u"elsewhere/shop.ini"_s},
    };
    for (const DefaultIniCase& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(dir.path()).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(dir.path()));
        for (const QString& file : c.files)
            writeTextFile(dir.filePath(file), u"[FLEET]\n"_s);
        writeTextFile(dir.filePath(u"registry.reg"_s),
                      kFleetRegistryHeader + QString(c.registryLine).replace(u"%DIR%"_s, dir.path()) + u"\r\n"_s);
        EXPECT_EQ(FleetSettings::defaultIniFile(), dir.filePath(c.expected));
    }
}

} // namespace
