#include "common/TestEnvironment.h"
#include "components/TextFileLexicon.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString writeFile(const QTemporaryDir& folder, const QString& name, const QByteArray& bytes)
{
    const QString fileName = folder.filePath(name);
    QFile file(fileName);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return fileName;
}

TEST(TextFileLexiconTest, LooksUpSectionsAndKeysWithoutRegardToCase)
{
    QTemporaryDir folder;
    TextFileLexicon lexicon;
    lexicon.load(writeFile(folder, QStringLiteral("lexicon.txt"),
                           "; site texts\r\n"
                           "[PCQUIBA_ERRORS]\r\n"
                           "601 = Kiosk not ready\r\n"
                           "604=Missing \\1 (\\2)\r\n"
                           "\r\n"
                           "[pcquiba_splash]\n"
                           "lblVersion=Version: \\1 \\2\n"
                           "empty=\n"));
    EXPECT_EQ(lexicon.entryCount(), 4);
    EXPECT_EQ(lexicon.text(QStringLiteral("pcquiba_errors"), QStringLiteral("601"), QStringLiteral("x"), {}),
              QStringLiteral(" Kiosk not ready"));
    EXPECT_EQ(lexicon.text(QStringLiteral("PCQUIBA_ERRORS"), QStringLiteral("604"), QStringLiteral("x"),
                           {Variant(u"Device"), Variant(qint32(7))}),
              QStringLiteral("Missing Device (7)"));
    EXPECT_EQ(lexicon.text(QStringLiteral("PCQUIBA_SPLASH"), QStringLiteral("LBLVERSION"), QStringLiteral("x"),
                           {Variant(u"VB.01.00.00")}),
              QStringLiteral("Version: VB.01.00.00 "));
    EXPECT_EQ(lexicon.text(QStringLiteral("PCQUIBA_SPLASH"), QStringLiteral("empty"), QStringLiteral("x"), {}),
              QString());
    EXPECT_EQ(lexicon.text(QStringLiteral("PCQUIBA_ERRORS"), QStringLiteral("602"), QStringLiteral("Busy \\1"),
                           {Variant(true)}),
              QStringLiteral("Busy True"));
}

TEST(TextFileLexiconTest, PlaceholdersAreOneDigitAndOtherBackslashesStay)
{
    TextFileLexicon lexicon;
    const VariantArray arguments{Variant(u"a"), Variant(u"b")};
    struct Case {
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {"\\1\\2", "ab"},      {"\\3", ""},          {"\\10", "a0"}, {"c:\\quiba", "c:\\quiba"},
        {"\\", "\\"},          {"\\\\1", "\\a"},     {"\\0", "\\0"},
    };
    for (const Case& testCase : cases) {
        EXPECT_EQ(lexicon.text(QStringLiteral("S"), QStringLiteral("K"), QString::fromUtf8(testCase.text), arguments),
                  QString::fromUtf8(testCase.expected))
            << testCase.text;
    }
}

TEST(TextFileLexiconTest, BadFilesLeaveTheDefaults)
{
    QTemporaryDir folder;
    QDir(folder.path()).mkdir(QStringLiteral("a-folder"));
    QByteArray junk;
    for (int i = 0; i < 4096; ++i)
        junk.append(char((i * 7919) & 0xFF));
    const QString fileNames[] = {
        folder.filePath(QStringLiteral("missing.txt")),
        folder.filePath(QStringLiteral("a-folder")),
        writeFile(folder, QStringLiteral("junk.bin"), junk),
        writeFile(folder, QStringLiteral("no-section.txt"), "601=orphan\n"),
        writeFile(folder, QStringLiteral("broken.txt"), "[PCQUIBA_ERRORS\n=601\n601\n[\n]\n"),
        writeFile(folder, QStringLiteral("empty.txt"), ""),
    };
    for (const QString& fileName : fileNames) {
        SCOPED_TRACE(fileName.toStdString());
        TextFileLexicon lexicon;
        lexicon.load(fileName);
        EXPECT_EQ(lexicon.text(QStringLiteral("PCQUIBA_ERRORS"), QStringLiteral("601"),
                               QStringLiteral("pcQUBIA is Not Ready"), {}),
                  QStringLiteral("pcQUBIA is Not Ready"));
    }
}

} // namespace
