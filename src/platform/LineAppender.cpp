#include "platform/LineAppender.h"

#include "platform/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool isLineBreak(QChar c)
{
    switch (c.unicode()) {
    case u'\n':
    case u'\r':
    case u'\v':
    case u'\f':
    case u'\u0085':
    case u'\u2028':
    case u'\u2029':
        return true;
    default:
        return false;
    }
}

} // namespace

QString LineAppender::oneLine(const QString& text)
{
    QString line;
    line.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!isLineBreak(c)) {
            line += c;
            continue;
        }
        line += QChar(kBreakMark);
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            ++i;
    }
    return line;
}

bool LineAppender::append(const QString& fileName, const QString& line)
{
    PrivateFiles::makeFolder(QFileInfo(fileName).absolutePath());
    const QByteArray path = QFile::encodeName(fileName);
    // Read access too, to see whether the file ends inside a line; a file only writable still
    // takes lines.
    const int mode = PrivateFiles::kFileMode;
    int fd = ::open(path.constData(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, mode);
    if (fd < 0)
        fd = ::open(path.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, mode);
    if (fd < 0)
        return false;
    const bool written = appendWhole(fd, (oneLine(line) + u'\n').toUtf8());
    ::close(fd);
    return written;
}

bool LineAppender::endsInsideLine(int fd)
{
    struct stat status = {};
    if (::fstat(fd, &status) != 0 || status.st_size == 0)
        return false;
    char last = '\n';
    return ::pread(fd, &last, 1, status.st_size - 1) == 1 && last != '\n';
}

bool LineAppender::appendWhole(int fd, QByteArray bytes)
{
    // A line torn by an earlier failure (a full disk, a crash) is closed first, so this one
    // starts on a line of its own.
    if (endsInsideLine(fd))
        bytes.prepend('\n');
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t count = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (count > 0) {
            done += count;
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        break;
    }
    if (done == bytes.size())
        return true;
    cutBack(fd, done);
    return false;
}

void LineAppender::cutBack(int fd, qsizetype written)
{
    // With O_APPEND the offset is the end of what this call wrote. The file is cut back to the
    // line's start only while nobody has appended after it, so another writer's line stays.
    const off_t end = ::lseek(fd, 0, SEEK_CUR);
    struct stat status = {};
    if (written == 0 || end < written || ::fstat(fd, &status) != 0 || status.st_size != end)
        return;
    [[maybe_unused]] const int cut = ::ftruncate(fd, end - written);
}
