#include "platform/JournalStream.h"

#include "platform/LineAppender.h"

#include <QByteArray>
#include <QList>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool namesDescriptor(int descriptor, const QByteArray& journalStream)
{
    const QList<QByteArray> parts = journalStream.split(':');
    struct stat status {};
    if (parts.size() != 2 || fstat(descriptor, &status) != 0)
        return false;
    bool deviceRead = false;
    bool inodeRead = false;
    const qulonglong device = parts[0].toULongLong(&deviceRead);
    const qulonglong inode = parts[1].toULongLong(&inodeRead);
    return deviceRead && inodeRead && device == status.st_dev && inode == status.st_ino;
}

} // namespace

JournalStream::JournalStream() : JournalStream(STDERR_FILENO, qgetenv("JOURNAL_STREAM")) {}

JournalStream::JournalStream(int descriptor, const QByteArray& journalStream)
    : m_descriptor(descriptor), m_connected(namesDescriptor(descriptor, journalStream))
{
}

void JournalStream::write(int priority, const QString& text) const
{
    if (!m_connected)
        return;
    const QByteArray line = '<' + QByteArray::number(priority) + '>' + LineAppender::oneLine(text).toUtf8() + '\n';
    // One write call, so that the journal never gets half a line from this process.
    [[maybe_unused]] const ssize_t written = ::write(m_descriptor, line.constData(), size_t(line.size()));
}
