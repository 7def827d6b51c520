#include "platform/JournalStream.h"

#include <QFile>
#include <QTemporaryFile>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// A file standing in for the journal's stream, and its "device:inode".
class JournalStreamTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_file.open());
        struct stat status {};
        ASSERT_EQ(fstat(m_file.handle(), &status), 0);
        deviceInode = QByteArray::number(qulonglong(status.st_dev)) + ':' + QByteArray::number(qulonglong(status.st_ino));
        otherInode = QByteArray::number(qulonglong(status.st_dev)) + ':' + QByteArray::number(qulonglong(status.st_ino) + 1);
    }

    int descriptor() { return m_file.handle(); }

    QByteArray written()
    {
        QFile file(m_file.fileName());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QByteArray deviceInode;
    QByteArray otherInode;

private:
    QTemporaryFile m_file;
};

TEST_F(JournalStreamTest, ConnectedOnlyWhenJournalStreamNamesTheDescriptor)
{
    const struct {
        QByteArray value;
        bool connected;
    } cases[] = {
        {deviceInode, true},
        {otherInode, false},
        {QByteArray(), false},
        {"garbage", false},
        {deviceInode + ":1", false},
        {":" + deviceInode.split(':').at(1), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(JournalStream(descriptor(), c.value).connected(), c.connected) << c.value.toStdString();
}

TEST_F(JournalStreamTest, WritesOneLineWithItsPriorityAndNothingWhenNotConnected)
{
    JournalStream(descriptor(), otherInode).write(JournalStream::kErrorPriority, QStringLiteral("not sent"));
    const JournalStream journal(descriptor(), deviceInode);
    journal.write(JournalStream::kErrorPriority, QStringLiteral(" *** Engine failed\nforged line"));
    journal.write(JournalStream::kWarningPriority, QStringLiteral("warning"));

    EXPECT_EQ(QString::fromUtf8(written()), QStringLiteral("<3> *** Engine failed⏎forged line\n<4>warning\n"));
}

} // namespace
