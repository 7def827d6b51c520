#include "components/QuibaXmlDocument.h"

#include "api/VoucherMarkup.h"
#include "common/RepeatingChild.h"
#include "common/TestFiles.h"
#include "fakes/RecordingPrintEvents.h"
#include "platform/AutomationError.h"
#include "platform/ComponentRegistry.h"
#include "support/clsZlib.h"
#include "VoucherFolder.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>
#include <random>
#include <unistd.h>

namespace {


class QuibaXmlDocumentTest : public ::testing::Test {
protected:
    QString writeFile(const QByteArray& bytes, const QString& name = QStringLiteral("voucher.xml"))
    {
        const QString path = folder.filePath(name);
        EXPECT_TRUE(TestFiles::write(path, bytes));
        return path;
    }

    static QByteArray readFile(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static QStringList printEvents(const QString& path)
    {
        RecordingPrintEvents target;
        VoucherPrintState state;
        VoucherMarkup markup(target, state, {kVouchers + QStringLiteral("/logos"), QStringLiteral("bmp")});
        markup.RaisePrintEvents(path);
        return target.events;
    }

    QTemporaryDir folder;
    QuibaXmlDocument document;
};

TEST_F(QuibaXmlDocumentTest, PrettyXmlPutsOneElementOnALine)
{
    document.Load(writeFile("<?xml version=\"1.0\"?><document a=\"c\"><!-- top --><text e='b'> Hi &amp; bye </text>"
                            "<graphics><image f=\"logo\"/></graphics><cut/></document>"));
    EXPECT_EQ(document.PrettyXML(), QStringLiteral("<?xml version=\"1.0\"?>\n"
                                                   "<document a=\"c\">\n"
                                                   "  <!-- top -->\n"
                                                   "  <text e=\"b\"> Hi &amp; bye </text>\n"
                                                   "  <graphics>\n"
                                                   "    <image f=\"logo\" />\n"
                                                   "  </graphics>\n"
                                                   "  <cut />\n"
                                                   "</document>\n"));
}

TEST_F(QuibaXmlDocumentTest, RewritingKeepsEveryPrintEvent)
{
    const QString path = folder.filePath(QStringLiteral("sample.xml"));
    ASSERT_TRUE(QFile::copy(kVouchers + QStringLiteral("/sample.xml"), path));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    const QStringList before = printEvents(path);
    document.Load(path);
    document.setPrintedTimestamp(QDateTime::currentDateTime());
    document.Save(path);
    EXPECT_NE(readFile(path), readFile(kVouchers + QStringLiteral("/sample.xml")));
    EXPECT_EQ(printEvents(path), before);
}

TEST_F(QuibaXmlDocumentTest, PrintedTimestampIsWrittenOnceOnTheRootAndReadBack)
{
    const QString path = writeFile("<document printed='old'><text>x</text></document>");
    document.Load(path);
    const QDateTime when(QDate(2026, 12, 10), QTime(14, 5, 9), QTimeZone(3600));
    document.setPrintedTimestamp(when);
    document.Save(path);

    QuibaXmlDocument reread;
    reread.Load(path);
    EXPECT_EQ(reread.printedTimestamp(), QStringLiteral("2026-12-10T14:05:09+01:00"));
    EXPECT_EQ(readFile(path).count("printed="), 1);
    const QDateTime west(QDate(2026, 1, 2), QTime(3, 4, 5), QTimeZone(-5 * 3600 - 1800));
    EXPECT_EQ(QuibaXmlDocument::timestampText(west),
              QStringLiteral("2026-01-02T03:04:05-05:30"));
    const QRegularExpression form(QStringLiteral(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d$)"));
    EXPECT_TRUE(form.match(QuibaXmlDocument::timestampText(QDateTime::currentDateTime())).hasMatch());
}

TEST_F(QuibaXmlDocumentTest, CompressedDocumentIsWrittenBackCompressed)
{
    const QString path = writeFile("<document><text>caf\xc3\xa9</text></document>");
    clsZlib().Compress(path);
    ASSERT_TRUE(clsZlib().IsCompressed(path));
    document.Load(path);
    document.setPrintedTimestamp(QDateTime::currentDateTime());
    document.Save(path);
    EXPECT_TRUE(clsZlib().IsCompressed(path));
    EXPECT_EQ(printEvents(path).mid(2, 1), QStringList{QString::fromUtf8("PrintText(A||1|1|l|0|caf\xc3\xa9)")});
}

TEST_F(QuibaXmlDocumentTest, FailuresRaiseTheirNumbersAndKeepTheLoadedDocument)
{
    document.Load(writeFile("<document><text>kept</text></document>", QStringLiteral("good.xml")));
    const struct {
        QString path;
        qint32 number;
    } cases[] = {
        {folder.filePath(QStringLiteral("missing.xml")), 53},
        {folder.path(), 53},
        {writeFile("<document><text>open</document>", QStringLiteral("bad.xml")), 321},
        {writeFile("", QStringLiteral("empty.xml")), 321},
    };
    for (const auto& c : cases) {
        try {
            document.Load(c.path);
            ADD_FAILURE() << "no error for " << c.path.toStdString();
        } catch (const AutomationError& error) {
            EXPECT_EQ(error.number(), c.number) << c.path.toStdString();
        }
    }
    EXPECT_TRUE(document.PrettyXML().contains(QStringLiteral("kept")));

    QuibaXmlDocument empty;
    try {
        empty.setPrintedTimestamp(QDateTime::currentDateTime());
        ADD_FAILURE() << "no error";
    } catch (const AutomationError& error) {
        EXPECT_EQ(error.number(), 91);
    }
    try {
        document.Save(folder.filePath(QStringLiteral("no/such/folder/x.xml")));
        ADD_FAILURE() << "no error";
    } catch (const AutomationError& error) {
        EXPECT_EQ(error.number(), 75);
    }
}

// A child process rewrites the file with one of two large documents in turn until it is
// killed; whenever that happens the file holds one complete document, and beside it at most
// one temporary file of a fixed name, which the next save overwrites. The kills fall after
// none, one or two whole saves, and at a random moment of the save after those.
TEST_F(QuibaXmlDocumentTest, KilledWriterNeverLeavesADamagedFile)
{
    auto large = [](const char* word) {
        QByteArray xml = "<document>";
        for (int i = 0; i < 20000; ++i)
            xml += "<text a='c'>" + QByteArray(word) + ' ' + QByteArray::number(i) + "</text>";
        return xml + "</document>";
    };
    QuibaXmlDocument first;
    QuibaXmlDocument second;
    first.Load(writeFile(large("first"), QStringLiteral("first.xml")));
    second.Load(writeFile(large("second"), QStringLiteral("second.xml")));
    const QString target = writeFile("<document><text>original</text></document>", QStringLiteral("target.xml"));
    const QString original = [&] {
        QuibaXmlDocument d;
        d.Load(target);
        return d.PrettyXML();
    }();

    const QStringList kFolderHolds{QStringLiteral("first.xml"), QStringLiteral("second.xml"),
                                   QStringLiteral("target.xml"), QStringLiteral(".target.xml.partial")};
    std::mt19937 random(42);
    bool rewritten = false;
    for (int round = 0; round < 12; ++round) {
        bool firstNext = true;
        RepeatingChild child([&] {
            (firstNext ? first : second).Save(target);
            firstNext = !firstNext;
        });
        ASSERT_TRUE(child.started());
        ASSERT_TRUE(child.waitForWrites(round % 3)) << "round " << round;
        usleep(useconds_t(random() % 60000));
        ASSERT_TRUE(child.kill()) << "round " << round;

        QuibaXmlDocument after;
        ASSERT_NO_THROW(after.Load(target)) << "round " << round;
        const QString text = after.PrettyXML();
        EXPECT_TRUE(text == first.PrettyXML() || text == second.PrettyXML() || text == original) << "round " << round;
        rewritten = rewritten || text != original;
        for (const QString& name : QDir(folder.path()).entryList(QDir::Files | QDir::Hidden))
            EXPECT_TRUE(kFolderHolds.contains(name)) << "round " << round << ": " << name.toStdString();
    }
    EXPECT_TRUE(rewritten);
    first.Save(target);
    EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral(".target.xml.partial"))));
}

TEST(QuibaXmlDocumentComponentTest, IsBuiltInUnderItsClassName)
{
    const auto document = ComponentRegistry::createAs<XmlDocument>(QStringLiteral("QuibaXML.Document"));
    ASSERT_TRUE(document);
    EXPECT_EQ(document->className(), QStringLiteral("Document"));
}

} // namespace
