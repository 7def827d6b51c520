#include "platform/FileError.h"
#include "common/TestFiles.h"

#include "platform/FileReplacer.h"
#include "platform/PrivateProfile.h"
#include "platform/RuntimeErrors.h"

#include "common/QtPrinting.h"
#include "common/SmallFileSystem.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

TEST(FileErrorTest, GivesTheStandardNumberWithItsTextAndTheSystemsReason)
{
    const struct {
        int systemError;
        qint32 number;
        const char* description;
    } cases[] = {
        {ENOSPC, RuntimeErrors::DiskFull, "Disk full: No space left on device"},
        {EDQUOT, RuntimeErrors::DiskFull, "Disk full: Disk quota exceeded"},
        {EROFS, RuntimeErrors::PathFileAccessError, "Path/File access error: Read-only file system"},
        {EACCES, RuntimeErrors::PathFileAccessError, "Path/File access error: Permission denied"},
        {EPERM, RuntimeErrors::PathFileAccessError, "Path/File access error: Operation not permitted"},
        {EIO, RuntimeErrors::DeviceIoError, "Device I/O error: Input/output error"},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.description);
        const AutomationError error = FileError::error(testCase.systemError);
        EXPECT_EQ(error.number(), testCase.number);
        EXPECT_EQ(error.description(), QString::fromLatin1(testCase.description));
    }
}

// The INI writes of every caller go through the profile functions: on a full or read-only disk
// the write fails, the file stays as it was, and the reason is there to report.
TEST(FileErrorTest, AnIniWriteOnAFullOrReadOnlyDiskChangesNothingAndKeepsTheReason)
{
    const QByteArray original = "[GENERAL]\ndebug=TRUE\n";
    const struct {
        const char* name;
        bool readOnly;
        int systemError;
    } cases[] = {{"full", false, ENOSPC}, {"read-only", true, EROFS}};
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        SmallFileSystem disk;
        ASSERT_TRUE(disk.mounted()) << disk.error().toStdString();
        const QString ini = disk.path() + u"/pcQUIBA.ini"_s;
        ASSERT_TRUE(TestFiles::write(ini, original));
        // The lock file exists from an earlier write, as it does on a kiosk.
        ASSERT_TRUE(PrivateProfile::writePrivateProfileString(u"GENERAL"_s, u"debug"_s, u"TRUE"_s, ini));
        ASSERT_TRUE(testCase.readOnly ? disk.makeReadOnly() : disk.fill());

        EXPECT_FALSE(PrivateProfile::writePrivateProfileString(u"GENERAL"_s, u"debug"_s, u"FALSE"_s, ini));
        EXPECT_EQ(PrivateProfile::lastWriteError(), testCase.systemError);
        EXPECT_FALSE(PrivateProfile::writePrivateProfileSection(u"GENERAL"_s, u"debug=FALSE\0\0"_s, ini));
        EXPECT_EQ(PrivateProfile::lastWriteError(), testCase.systemError);
        QFile file(ini);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), original);
        file.close();
        EXPECT_FALSE(QFile::exists(FileReplacer::temporaryFileName(ini)));
        // A refusal for the names alone is no file error.
        EXPECT_FALSE(PrivateProfile::writePrivateProfileString(u""_s, u"debug"_s, u"x"_s, ini));
        EXPECT_EQ(PrivateProfile::lastWriteError(), 0);
    }
}

TEST(FileErrorTest, OnceThereIsRoomAgainTheWriteIsMadeAndNoErrorRemains)
{
    SmallFileSystem disk;
    ASSERT_TRUE(disk.mounted()) << disk.error().toStdString();
    const QString ini = disk.path() + u"/pcQUIBA.ini"_s;
    ASSERT_TRUE(PrivateProfile::writePrivateProfileString(u"GENERAL"_s, u"debug"_s, u"TRUE"_s, ini));
    ASSERT_TRUE(disk.fill());
    EXPECT_FALSE(PrivateProfile::writePrivateProfileString(u"GENERAL"_s, u"debug"_s, u"FALSE"_s, ini));
    disk.makeRoom();
    EXPECT_TRUE(PrivateProfile::writePrivateProfileString(u"GENERAL"_s, u"debug"_s, u"FALSE"_s, ini));
    EXPECT_EQ(PrivateProfile::lastWriteError(), 0);
    EXPECT_EQ(PrivateProfile::getPrivateProfileString(u"GENERAL"_s, u"debug"_s, {}, 100, ini), u"FALSE"_s);
}

} // namespace
