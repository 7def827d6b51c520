#include "app/FirstRun.h"
#include "common/TestEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kSample = QStringLiteral(PCQUIBA_SOURCE_DIR "/data");

class FirstRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_previousRoot = qgetenv("PCQUIBA_ROOT");
        qputenv("PCQUIBA_ROOT", m_root.path().toLocal8Bit());
    }
    void TearDown() override { qputenv("PCQUIBA_ROOT", m_previousRoot); }

    QString path(const QString& relative) const { return m_root.filePath(relative); }

    static QByteArray read(const QString& fileName)
    {
        QFile file(fileName);
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }
    void write(const QString& relative, const QByteArray& content) const
    {
        QDir().mkpath(QFileInfo(path(relative)).absolutePath());
        QFile file(path(relative));
        file.open(QIODevice::WriteOnly);
        file.write(content);
    }

private:
    QTemporaryDir m_root;
    QByteArray m_previousRoot;
};

TEST_F(FirstRunTest, AnEmptyProgramRootGetsTheIniFileTheCatalogueAndTheLogo)
{
    const QStringList written = FirstRun::fillFrom(kSample);
    EXPECT_EQ(written, (QStringList{path(QStringLiteral("config/pcQUIBA.ini")), path(QStringLiteral("manifest/otc.xml")),
                                    path(QStringLiteral("manifest/logos/logo.png"))}));
    EXPECT_EQ(read(path(QStringLiteral("config/pcQUIBA.ini"))), read(kSample + QStringLiteral("/config/pcQUIBA.ini")));
    EXPECT_EQ(read(path(QStringLiteral("manifest/otc.xml"))), read(kSample + QStringLiteral("/manifest/otc.xml")));
    EXPECT_TRUE(read(path(QStringLiteral("config/pcQUIBA.ini"))).contains("class=QuibaPrint.ReceiptPrinter"));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("config/pcQUIBA.ini.partial"))));

    EXPECT_TRUE(FirstRun::fillFrom(kSample).isEmpty());
}

TEST_F(FirstRunTest, ExistingFilesAreNeverOverwritten)
{
    write(QStringLiteral("config/pcQUIBA.ini"), "[GENERAL]\ndebug=True\n");
    write(QStringLiteral("manifest/otc.xml"), "<catalogue/>");
    EXPECT_EQ(FirstRun::fillFrom(kSample), QStringList{path(QStringLiteral("manifest/logos/logo.png"))});
    EXPECT_EQ(read(path(QStringLiteral("config/pcQUIBA.ini"))), QByteArray("[GENERAL]\ndebug=True\n"));
    EXPECT_EQ(read(path(QStringLiteral("manifest/otc.xml"))), QByteArray("<catalogue/>"));
}

TEST_F(FirstRunTest, FilesGoWhereTheExistingIniFilePutsThem)
{
    // An INI file in the root itself is found there: no second one may hide it.
    write(QStringLiteral("pcQUIBA.ini"), "[FILES]\notc_xml=shop/products.xml\nlogo_path=art\n");
    const QStringList written = FirstRun::fillFrom(kSample);
    EXPECT_EQ(written, (QStringList{path(QStringLiteral("manifest/shop/products.xml")),
                                    path(QStringLiteral("manifest/art/logo.png"))}));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("config/pcQUIBA.ini"))));
}

TEST_F(FirstRunTest, AMissingSampleFolderCopiesNothing)
{
    EXPECT_TRUE(FirstRun::fillFrom(path(QStringLiteral("no-sample"))).isEmpty());
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("config/pcQUIBA.ini"))));
}

TEST(FirstRunFoldersTest, SamplesComeFromBesideTheProgramOrFromTheInstallPrefix)
{
    const QStringList folders = FirstRun::sampleFolders();
    ASSERT_EQ(folders.size(), 3);
    EXPECT_EQ(folders.at(0), QCoreApplication::applicationDirPath() + QStringLiteral("/sample"));
    EXPECT_EQ(folders.at(1), QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/pcquiba/sample")));
    EXPECT_EQ(folders.at(2), QStringLiteral(PCQUIBA_INSTALL_PREFIX "/share/pcquiba/sample"));
}

} // namespace
