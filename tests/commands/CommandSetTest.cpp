#include "CommandTestFixture.h"

#include "controller/CommandStatus.h"
#include "services/Trace.h"
#include "support/clsGenericURI.h"

#include <QFileInfo>

namespace {

using Line = RecordingLogger::Line;

const QString kCompleted = QStringLiteral("Set command Completed: ");

} // namespace

class CommandSetTest : public CommandTestFixture {
protected:
    void SetUp() override
    {
        CommandTestFixture::SetUp();
        writeFile(iniPath, "[GENERAL]\nchime_minutes=5\n[S]\na=1\nb=2\n[T]\nx=9\n");
        configFolder = root + QStringLiteral("/config");
    }

    // Runs one command and returns what it logged after the "Processing command:" line.
    QList<Line> run(const QString& text)
    {
        logger->lines.clear();
        addCommand(QStringLiteral("set%1").arg(++m_count), text);
        tick();
        // Every level-5 outcome fails the entry.
        const bool failed = std::any_of(logger->lines.begin(), logger->lines.end(),
                                        [](const Line& line) { return line.severity == Trace::CommandFailureSeverity; });
        EXPECT_EQ(entry(QStringLiteral("set%1").arg(m_count)).Status(),
                  failed ? CommandStatus::kFailed : CommandStatus::kDone);
        return logger->lines.mid(1);
    }

    static Line failure(const QString& text) { return {text, Trace::CommandFailureSeverity}; }

    QString configFolder;

private:
    int m_count = 0;
};

TEST_F(CommandSetTest, ChangesTheMainIniFile)
{
    struct Case {
        QString command;
        QString section;
        QString key;
        std::optional<QString> expected; // nullopt: the key is absent afterwards
    };
    const Case cases[] = {
        {QStringLiteral("q:/set?scope=S&name=a&value=new%20text"), QStringLiteral("S"), QStringLiteral("a"),
         QStringLiteral("new text")},
        {QStringLiteral("q:/set?scope=S&name=c&value=3"), QStringLiteral("S"), QStringLiteral("c"), QStringLiteral("3")},
        // name without value erases the key
        {QStringLiteral("q:/set?scope=S&name=b"), QStringLiteral("S"), QStringLiteral("b"), std::nullopt},
        // the key's default is not written: the key is erased instead
        {QStringLiteral("q:/set?scope=GENERAL&name=chime_minutes&value=20"), QStringLiteral("GENERAL"),
         QStringLiteral("chime_minutes"), std::nullopt},
        // delete without name erases the whole section
        {QStringLiteral("q:/set?scope=T&delete"), QStringLiteral("T"), QStringLiteral("x"), std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(run(c.command), QList<Line>{(Line{kCompleted, Trace::ProgressSeverity})}) << c.command.toStdString();
        if (c.expected)
            EXPECT_EQ(ini->GetString(c.section, c.key), *c.expected) << c.command.toStdString();
        else
            EXPECT_FALSE(ini->KeyExists(c.section, c.key)) << c.command.toStdString();
    }
    EXPECT_FALSE(ini->SectionExists(QStringLiteral("T")));
}

TEST_F(CommandSetTest, WithNeitherNameNorDeleteChangesNothingButLogsCompletion)
{
    const QByteArray before = readFile(iniPath);
    const QString text = QStringLiteral("q:/set?scope=S&value=7");

    const QList<Line> lines = run(text);

    EXPECT_EQ(lines, QList<Line>{(Line{kCompleted, Trace::ProgressSeverity})});
    const QString after = QString::fromLatin1(readFile(iniPath));
    EXPECT_TRUE(after.startsWith(QString::fromLatin1(before))) << "only the command entry itself may change";
    EXPECT_EQ(ini->GetString(QStringLiteral("S"), QStringLiteral("a")), QStringLiteral("1"));
}

TEST_F(CommandSetTest, BareFileNameIsLookedUpInTheConfigFolder)
{
    writeFile(configFolder + QStringLiteral("/shop.ini"), "[S]\na=old\n");
    writeFile(configFolder + QStringLiteral("/plain"), "[S]\na=old\n");

    struct Case {
        QString file;
        QString target; // file that must receive the value
    };
    const Case cases[] = {
        {QStringLiteral("shop"), QStringLiteral("shop.ini")},      // no extension, missing: ".ini" appended
        {QStringLiteral("shop.ini"), QStringLiteral("shop.ini")},
        {QStringLiteral("plain"), QStringLiteral("plain")},        // no extension, but present as it is
    };
    int n = 0;
    for (const Case& c : cases) {
        const QString value = QStringLiteral("v%1").arg(++n);
        EXPECT_EQ(run(QStringLiteral("q:/set?scope=S&name=a&value=%1&file=%2").arg(value, c.file)),
                  QList<Line>{(Line{kCompleted, Trace::ProgressSeverity})});
        clsINIFile target;
        target.setFileName(configFolder + QLatin1Char('/') + c.target);
        EXPECT_EQ(target.GetString(QStringLiteral("S"), QStringLiteral("a")), value) << c.file.toStdString();
    }
    EXPECT_EQ(ini->GetString(QStringLiteral("S"), QStringLiteral("a")), QStringLiteral("1"));
}

TEST_F(CommandSetTest, AnotherFileGetsTheValueEvenWhenItEqualsTheMainDefault)
{
    writeFile(configFolder + QStringLiteral("/shop.ini"), "[GENERAL]\n");
    run(QStringLiteral("q:/set?scope=GENERAL&name=chime_minutes&value=20&file=shop"));
    clsINIFile target;
    target.setFileName(configFolder + QStringLiteral("/shop.ini"));
    EXPECT_EQ(target.GetString(QStringLiteral("GENERAL"), QStringLiteral("chime_minutes")), QStringLiteral("20"));
}

TEST_F(CommandSetTest, MissingFileIsReportedWithTheArgumentUnchanged)
{
    const QString text = QStringLiteral("q:/set?scope=S&name=a&value=1&file=nosuch");
    EXPECT_EQ(run(text), (QList<Line>{failure(QStringLiteral("Command Failed: Could not find INI file: nosuch")),
                                      failure(QStringLiteral("Set command failed: ") + text)}));
    EXPECT_FALSE(QFileInfo::exists(configFolder + QStringLiteral("/nosuch.ini")));
}

TEST_F(CommandSetTest, FileOutsideTheConfigFolderIsRefused)
{
    const QByteArray outside = "[S]\na=outside\n";
    writeFile(root + QStringLiteral("/outside.ini"), outside);
    writeFile(configFolder + QStringLiteral("/inside.ini"), "[S]\na=inside\n");
    ASSERT_TRUE(QFile::link(root + QStringLiteral("/outside.ini"), configFolder + QStringLiteral("/escape.ini")));
    ASSERT_TRUE(QFile::link(root + QStringLiteral("/outside.ini"), configFolder + QStringLiteral("/escape")));
    ASSERT_TRUE(QDir(configFolder).mkpath(QStringLiteral("sub")));
    writeFile(configFolder + QStringLiteral("/sub/deep.ini"), "[S]\n");

    const QString refused[] = {QStringLiteral("../outside.ini"),
                               root + QStringLiteral("/outside.ini"), QStringLiteral("sub/deep.ini"),
                               QStringLiteral("..\\outside.ini"), QStringLiteral(".."), QStringLiteral("escape.ini"),
                               QStringLiteral("escape")};
    for (const QString& file : refused) {
        const QString text = QStringLiteral("q:/set?scope=S&name=a&value=x&file=") + clsGenericURI::Escape(file);
        const QString argument = clsGenericURI::Unescape(clsGenericURI::Escape(file));
        EXPECT_EQ(run(text),
                  (QList<Line>{failure(QStringLiteral("Command Failed: INI file must lie in the config folder: ")
                                       + argument),
                               failure(QStringLiteral("Set command failed: ") + text)}))
            << file.toStdString();
    }
    EXPECT_EQ(readFile(root + QStringLiteral("/outside.ini")), outside);
    EXPECT_EQ(readFile(configFolder + QStringLiteral("/sub/deep.ini")), QByteArray("[S]\n"));
}

TEST_F(CommandSetTest, LinkThatStaysInsideTheConfigFolderIsFollowed)
{
    writeFile(configFolder + QStringLiteral("/real.ini"), "[S]\na=old\n");
    ASSERT_TRUE(QFile::link(configFolder + QStringLiteral("/real.ini"), configFolder + QStringLiteral("/alias.ini")));

    run(QStringLiteral("q:/set?scope=S&name=a&value=new&file=alias"));

    clsINIFile real;
    real.setFileName(configFolder + QStringLiteral("/real.ini"));
    EXPECT_EQ(real.GetString(QStringLiteral("S"), QStringLiteral("a")), QStringLiteral("new"));
    EXPECT_TRUE(QFileInfo(configFolder + QStringLiteral("/alias.ini")).isSymLink()) << "the link itself stays";
}
