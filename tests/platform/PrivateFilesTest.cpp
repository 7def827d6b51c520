#include "platform/LineAppender.h"
#include "platform/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

// Mode bits only: the test means the same as root.
mode_t modeOf(const QString& path)
{
    struct stat status {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & 07777 : 07777;
}

void setMode(const QString& path, mode_t mode)
{
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0);
}

TEST(PrivateFilesTest, ALogWrittenIntoAMissingFolderIsTheOwnersOnly)
{
    QTemporaryDir root;
    const QString logs = root.filePath(u"deep/logs"_s);
    ASSERT_TRUE(LineAppender::append(logs + u"/pcQUIBA.log"_s, u"first"_s));
    EXPECT_EQ(modeOf(logs), 0700u);
    EXPECT_EQ(modeOf(logs + u"/pcQUIBA.log"_s), 0600u);

    // An existing file keeps the mode its owner gave it: only the start tightens.
    setMode(logs + u"/pcQUIBA.log"_s, 0640);
    ASSERT_TRUE(LineAppender::append(logs + u"/pcQUIBA.log"_s, u"second"_s));
    EXPECT_EQ(modeOf(logs + u"/pcQUIBA.log"_s), 0640u);
}

TEST(PrivateFilesTest, TighteningTakesGroupAndOtherRightsFromTheFolderAndItsFilesButNotThroughLinks)
{
    QTemporaryDir root;
    const QString logs = root.filePath(u"logs"_s);
    const QString outside = root.filePath(u"outside.txt"_s);
    ASSERT_TRUE(QDir().mkpath(logs + u"/older"_s));
    for (const QString& file : {logs + u"/pcQUIBA.log"_s, logs + u"/error-2026-12-10.log"_s, outside}) {
        QFile(file).open(QIODevice::WriteOnly);
        setMode(file, 0664);
    }
    setMode(logs + u"/error-2026-12-10.log"_s, 0444);
    ASSERT_TRUE(QFile::link(outside, logs + u"/linked.log"_s));
    setMode(logs, 0775);
    setMode(logs + u"/older"_s, 0755);

    PrivateFiles::tighten(logs);

    EXPECT_EQ(modeOf(logs), 0700u);
    EXPECT_EQ(modeOf(logs + u"/pcQUIBA.log"_s), 0600u);
    EXPECT_EQ(modeOf(logs + u"/error-2026-12-10.log"_s), 0400u) << "no right is added";
    EXPECT_EQ(modeOf(outside), 0664u) << "a link's target is left alone";
    EXPECT_EQ(modeOf(logs + u"/older"_s), 0755u) << "only files directly inside";
}

TEST(PrivateFilesTest, AFolderThatIsALinkIsLeftAlone)
{
    QTemporaryDir root;
    const QString real = root.filePath(u"real"_s);
    ASSERT_TRUE(QDir().mkpath(real));
    setMode(real, 0755);
    ASSERT_TRUE(QFile::link(real, root.filePath(u"logs"_s)));
    PrivateFiles::tighten(root.filePath(u"logs"_s));
    EXPECT_EQ(modeOf(real), 0755u);
}

} // namespace
