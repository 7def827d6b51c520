#include "config/IniLocation.h"

#include "config/IniDefaults.h"
#include "config/FakeIniMachine.h"
#include "config/IniFixtureFiles.h"
#include "config/clsINIFile.h"
#include "fakes/ServiceFixture.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

const QString kRegistryHeader = u"Windows Registry Editor Version 5.00\r\n\r\n"
                                u"[HKEY_LOCAL_MACHINE\\Software\\QUIBA\\pcQUIBA]\r\n"_s;

class IniFileNameTest : public ServiceFixture {
protected:
    QString path(const QString& relative) const { return m_dir.path() + u'/' + relative; }
    // The text with %DIR% standing for the test's folder.
    QString inDir(const QString& text) const { return QString(text).replace(u"%DIR%"_s, m_dir.path()); }

    QTemporaryDir m_dir;
    ScopedEnvironment m_root{"PCQUIBA_ROOT", m_dir.path() + u"/root"_s};
    ScopedEnvironment m_registry{"PCQUIBA_REGISTRY", m_dir.path() + u"/registry.reg"_s};
};

struct FileNameCase {
    const char* name;
    QStringList files;
    QStringList folders;
    QString registryLine;
    QString expected;
};

TEST_F(IniFileNameTest, TakesTheRegisteredFileThenSearchesTheFolders)
{
    const QString registered = u"\"INI Path\"=\"%DIR%/elsewhere/shop.ini\""_s;
    const QStringList both{u"root/config/pcQUIBA.ini"_s, u"root/pcQUIBA.ini"_s};
    const FileNameCase cases[] = {
        {"nothing anywhere", {}, {}, {}, u"root/config/pcQUIBA.ini"_s},
        {"only in the root", {u"root/pcQUIBA.ini"_s}, {}, {}, u"root/pcQUIBA.ini"_s},
        {"config before root", both, {}, {}, u"root/config/pcQUIBA.ini"_s},
        {"registered file first", both + QStringList{u"elsewhere/shop.ini"_s}, {}, registered, u"elsewhere/shop.ini"_s},
        {"registered file missing", {u"root/pcQUIBA.ini"_s}, {}, registered, u"root/pcQUIBA.ini"_s},
        {"registered folder", {u"root/pcQUIBA.ini"_s}, {u"elsewhere/shop.ini"_s}, registered, u"root/pcQUIBA.ini"_s},
        {"registered number", {}, {}, u"\"INI Path\"=dword:00000001"_s, u"root/config/pcQUIBA.ini"_s},
        {"registered value of an unsupported type", {u"root/pcQUIBA.ini"_s}, {}, u"\"INI Path\"=hex(b):00"_s,
         u"root/pcQUIBA.ini"_s},
        {"junk in the registry", {u"root/pcQUIBA.ini"_s}, {}, u"\"INI Path\"=hex(zz):\u0001\u0002[[[\\"_s,
         u"root/pcQUIBA.ini"_s},
        {"registered empty text", {u"root/pcQUIBA.ini"_s}, {}, u"\"INI Path\"=\"\""_s, u"root/pcQUIBA.ini"_s},
        {"a folder of that name", {u"root/pcQUIBA.ini"_s}, {u"root/config/pcQUIBA.ini"_s}, {}, u"root/pcQUIBA.ini"_s},
    };
    for (const FileNameCase& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
        for (const QString& file : c.files)
            writeTextFile(path(file), u"[GENERAL]\n"_s);
        for (const QString& folder : c.folders)
            QDir().mkpath(path(folder));
        writeTextFile(path(u"registry.reg"_s), kRegistryHeader + inDir(c.registryLine) + u"\r\n"_s);
        EXPECT_EQ(IniLocation::iniFileName(), path(c.expected));
    }
}

TEST_F(IniFileNameTest, SearchesConfigRootExecutableFolderAndEtcInThatOrder)
{
    const FakeIniMachine machine;
    EXPECT_EQ(IniLocation::searchFolders(),
              QStringList({path(u"root/config"_s), path(u"root"_s), u"/opt/pcquiba/bin"_s, u"/etc"_s}));
}

TEST_F(IniFileNameTest, AnnouncesItselfToTheModule)
{
    IniLocation::iniFileName();
    EXPECT_EQ(errorHandler->events, QStringList({u"enter modINIConstants.Function iniFileName"_s, u"leave"_s}));
}

class IniGetPathTest : public ServiceFixture {
protected:
    // An INI file in a folder of that name with the given FILES lines.
    clsINIFile iniIn(const QString& folder, const QString& filesLines)
    {
        const QString file = m_dir.path() + u'/' + folder + u"/pcQUIBA.ini"_s;
        writeTextFile(file, u"[FILES]\n"_s + filesLines);
        clsINIFile ini;
        ini.setFileName(file);
        return ini;
    }
    QString base() const { return m_dir.path() + u"/shop"_s; }

    QTemporaryDir m_dir;
};

struct PathCase {
    const char* key;
    QString filesLines;
    // Relative to the base folder B; "B" is B itself, "=" marks a result taken as it is.
    QString expected;
};

TEST_F(IniGetPathTest, ResolvesEachKeyByItsRule)
{
    const PathCase cases[] = {
        {"data_path", {}, u"data"_s},
        {"data_path", u"data_path=/e/data\n"_s, u"=/e/data"_s},
        {"data_path", u"data_path=local\n"_s, u"local"_s},
        {"data_path", u"data_path=\n"_s, QString()},
        {"backup_path", u"backup_path=bk/\n"_s, u"bk/"_s},
        {"download_path", {}, u"download"_s},
        {"fragment_path", {}, u"fragments"_s},
        {"fragment_temp_path", u"fragment_temp_path=/x\n"_s, u"fragment_temp"_s},
        {"fragmented_xml", {}, u"fragments/otc.xml"_s},
        {"fragmented_xml", u"fragment_path=/frag\n"_s, u"=/frag/otc.xml"_s},
        {"log_path", {}, u"logs"_s},
        {"local_server_data_path", {}, u"server"_s},
        {"manifest_path", {}, u"manifest"_s},
        {"manifest_xml", {}, u"manifest/manifest.xml"_s},
        {"otc_xml", u"manifest_path=m\n"_s, u"m/otc.xml"_s},
        {"logo_path", u"manifest_path=m\nlogo_path=l\n"_s, u"m/l"_s},
        {"skins_path", {}, u"manifest/skins"_s},
        {"cursor", {}, u"="_s},
        {"cursor", u"cursor=arrow.cur\n"_s, u"manifest/skins/arrow.cur"_s},
        {"cursor", u"cursor=arrow.cur\nskins_path=/skins/\n"_s, u"=/skins/arrow.cur"_s},
        {"dmplayer_path", {}, u"manifest/dmplayer"_s},
        {"dmplayer_xml", {}, u"manifest/dmplayer/playlist.xml"_s},
        {"dmplayer_xml", u"manifest_path=/m\n"_s, u"=/m/dmplayer/playlist.xml"_s},
        {"dmplayer_xml", u"dmplayer_path=dm\ndmplayer_xml=list.xml\n"_s, u"manifest/dm/list.xml"_s},
        {"lexicon", {}, u"config/english.txt"_s},
        {"lexicon", u"lexicon=french\n"_s, u"config/french.ini"_s},
        {"lexicon", u"lexicon=/opt/lex/fr\n"_s, u"=/opt/lex/fr.ini"_s},
        {"logo_ext", {}, u"=bmp"_s},
        {"logo_ext", u"logo_ext=png\n"_s, u"=png"_s},
        {"app_path", u"app_path=relative\n"_s, u"=relative"_s},
        {"app_path", u"app_path=/opt/quiba\n"_s, u"=/opt/quiba"_s},
        {"default_skin", u"default_skin=blue\n"_s, u"="_s},
        {"quiba_path", u"quiba_path=/q\n"_s, u"B"_s},
        {"anything_else", {}, u"B"_s},
        {"DATA_PATH", {}, u"B"_s},
    };
    for (const PathCase& c : cases) {
        SCOPED_TRACE(std::string(c.key) + " / " + c.filesLines.toStdString());
        const clsINIFile ini = iniIn(u"shop/config"_s, c.filesLines);
        const QString expected = c.expected.startsWith(u'=') ? c.expected.mid(1)
                                 : c.expected == u"B"_s      ? base()
                                                             : base() + u'/' + c.expected;
        EXPECT_EQ(IniLocation::iniGetPath(&ini, QString::fromUtf8(c.key)), expected);
    }
}

TEST_F(IniGetPathTest, AppPathFallsBackToTheParentOfTheExecutablesFolder)
{
    const FakeIniMachine machine;
    const clsINIFile ini = iniIn(u"shop/config"_s, {});
    EXPECT_EQ(IniLocation::iniGetPath(&ini, u"app_path"_s), u"/opt/pcquiba"_s);
}

TEST_F(IniGetPathTest, TheBaseIsTheIniFolderUnlessItsNameEndsInConfig)
{
    struct Case {
        QString folder;
        QString base;
    };
    const Case cases[] = {
        {u"shop"_s, u"shop"_s},
        {u"shop/CONFIG"_s, u"shop"_s},
        {u"shop/myconfig"_s, u"shop"_s},
        {u"shop/config.d"_s, u"shop/config.d"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder.toStdString());
        const clsINIFile ini = iniIn(c.folder, {});
        EXPECT_EQ(IniLocation::iniGetPath(&ini, u"data_path"_s), m_dir.path() + u'/' + c.base + u"/data"_s);
        EXPECT_EQ(IniLocation::iniGetPath(&ini, u"lexicon"_s), m_dir.path() + u'/' + c.folder + u"/english.txt"_s);
    }
}

TEST_F(IniGetPathTest, WithoutAnAccessorTheDefaultIsTheAnswer)
{
    const ScopedEnvironment root("PCQUIBA_ROOT", u"/srv/kiosk"_s);
    EXPECT_EQ(IniLocation::iniGetPath(nullptr, u"data_path"_s), u"/srv/kiosk/data"_s);
    EXPECT_EQ(IniLocation::iniGetPath(nullptr, u"skins_path"_s), u"skins"_s);
    EXPECT_EQ(IniLocation::iniGetPath(nullptr, u"cursor"_s), QString());
    EXPECT_EQ(IniLocation::iniGetPath(nullptr, u"fragment_temp_path"_s), u"fragments_temp"_s);
}

TEST_F(IniGetPathTest, NestedPathsAnnounceEachResolution)
{
    const clsINIFile ini = iniIn(u"shop/config"_s, {});
    errorHandler->events.clear();
    IniLocation::iniGetPath(&ini, u"dmplayer_xml"_s);
    EXPECT_EQ(errorHandler->events.filter(u"enter modINIConstants."_s),
              QStringList({u"enter modINIConstants.Function iniGetPath"_s, u"enter modINIConstants.Function iniGetPath"_s,
                           u"enter modINIConstants.Function iniGetPath"_s}));
    EXPECT_EQ(errorHandler->leaves, errorHandler->enters);
}

TEST(IniJoinPathTest, JoinsWithOneSeparator)
{
    EXPECT_EQ(IniLocation::joinPath(u"/a"_s, u"b"_s), u"/a/b"_s);
    EXPECT_EQ(IniLocation::joinPath(u"/"_s, u"b"_s), u"/b"_s);
    EXPECT_EQ(IniLocation::joinPath(u"/a/"_s, u"b"_s), u"/a/b"_s);
    EXPECT_EQ(IniLocation::joinPath(QString(), u"b"_s), u"b"_s);
    EXPECT_EQ(IniLocation::joinPath(u"/a"_s, QString()), u"/a/"_s);
}

} // namespace
