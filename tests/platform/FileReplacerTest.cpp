#include "platform/FileReplacer.h"
#include "common/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

class FileReplacerTest : public ::testing::Test {
protected:
    static QByteArray contents(const QString& fileName)
    {
        QFile file(fileName);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }

    // Whether another open of the lock file could take the lock now.
    static bool lockIsFree(const QString& fileName)
    {
        const int descriptor = ::open(QFile::encodeName(FileReplacer::lockFileName(fileName)).constData(), O_RDONLY);
        if (descriptor < 0)
            return true;
        const bool free = ::flock(descriptor, LOCK_EX | LOCK_NB) == 0;
        ::close(descriptor);
        return free;
    }

    QStringList entries() const
    {
        return QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }

    QTemporaryDir folder;
    QString path = folder.filePath(u"data.bin"_s);
};

TEST_F(FileReplacerTest, NamesTheLockAndTemporaryFilesBesideTheFile)
{
    EXPECT_EQ(FileReplacer::lockFileName(u"/etc/quiba/pcQUIBA.ini"_s), u"/etc/quiba/pcQUIBA.ini.lock"_s);
    EXPECT_EQ(FileReplacer::temporaryFileName(u"/etc/quiba/pcQUIBA.ini"_s), u"/etc/quiba/.pcQUIBA.ini.tmp"_s);
}

TEST_F(FileReplacerTest, HoldsTheLockWhileItLives)
{
    {
        FileReplacer replacer(path);
        ASSERT_TRUE(replacer.isLocked());
        EXPECT_FALSE(lockIsFree(path));
        EXPECT_TRUE(replacer.replace("one"));
        EXPECT_FALSE(lockIsFree(path));
    }
    EXPECT_TRUE(lockIsFree(path));
    EXPECT_EQ(contents(path), "one");
}

TEST_F(FileReplacerTest, ANewFileGetsTheUsualModeAndAnOldOneKeepsItsOwn)
{
    const mode_t previous = ::umask(022);
    EXPECT_TRUE(FileReplacer::replaceFile(path, "new"));
    struct stat status {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, mode_t(0644));

    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0620), 0);
    EXPECT_TRUE(FileReplacer::replaceFile(path, "newer"));
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, mode_t(0620));
    ::umask(previous);
    EXPECT_EQ(contents(path), "newer");
}

// A killed writer's temporary file is cleared, even one planted as a link to another file.
TEST_F(FileReplacerTest, ALeftoverTemporaryFileIsClearedAndNeverWrittenThrough)
{
    ASSERT_TRUE(TestFiles::write(path, "old"));
    const QString victim = folder.filePath(u"victim"_s);
    ASSERT_TRUE(TestFiles::write(victim, "untouched"));
    ASSERT_TRUE(QFile::link(victim, FileReplacer::temporaryFileName(path)));
    EXPECT_TRUE(FileReplacer::replaceFile(path, "new"));
    EXPECT_EQ(contents(path), "new");
    EXPECT_EQ(contents(victim), "untouched");

    ASSERT_TRUE(TestFiles::write(FileReplacer::temporaryFileName(path), "half a copy"));
    EXPECT_TRUE(FileReplacer::replaceFile(path, "newer"));
    EXPECT_EQ(contents(path), "newer");
    EXPECT_EQ(entries(), QStringList({u"data.bin"_s, u"data.bin.lock"_s, u"victim"_s}));
}

TEST_F(FileReplacerTest, RefusesWhatItMayNotReplace)
{
    const QString lost = folder.filePath(u"missing/data.bin"_s);
    FileReplacer missingFolder(lost);
    EXPECT_FALSE(missingFolder.isLocked());
    EXPECT_FALSE(missingFolder.replace("x"));
    EXPECT_FALSE(QFileInfo::exists(folder.filePath(u"missing"_s)));

    ASSERT_TRUE(QDir(folder.path()).mkdir(u"adir"_s));
    EXPECT_FALSE(FileReplacer::replaceFile(folder.filePath(u"adir"_s), "x"));
    EXPECT_TRUE(QFileInfo(folder.filePath(u"adir"_s)).isDir());

    ASSERT_TRUE(TestFiles::write(path, "kept"));
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
    FileReplacer readOnly(path);
    EXPECT_TRUE(readOnly.isLocked());
    EXPECT_FALSE(readOnly.mayReplace());
    EXPECT_FALSE(readOnly.replace("x"));
    EXPECT_EQ(contents(path), "kept");
}

} // namespace
