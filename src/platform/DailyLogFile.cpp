#include "platform/DailyLogFile.h"

#include "platform/Clock.h"
#include "platform/LineAppender.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <optional>
#include <unistd.h>

namespace {

const QString kDayFormat = QStringLiteral("yyyy-MM-dd");
constexpr qint64 kCopyChunk = 64 * 1024;

std::optional<int>& keptDays()
{
    static std::optional<int> days;
    return days;
}

// Adds the lines of `from` to the end of `to` and removes `from`: a day moved aside twice (two
// processes, or a clock set back and forth) keeps every line. `from` goes only once its lines
// are on the disk; a disk that is full leaves both files as they were.
void appendAndRemove(const QString& from, const QString& to)
{
    QFile source(from);
    QFile target(to);
    if (!source.open(QIODevice::ReadOnly) || !target.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    const qint64 before = target.size();
    bool copied = true;
    while (copied && !source.atEnd()) {
        const QByteArray chunk = source.read(kCopyChunk);
        copied = !chunk.isEmpty() && target.write(chunk) == chunk.size();
    }
    if (!copied || !target.flush() || ::fsync(target.handle()) != 0) {
        target.resize(before);
        return;
    }
    source.close();
    QFile::remove(from);
}

} // namespace

DailyLogFile::DailyLogFile(const QString& fileName) : m_fileName(fileName) {}

void DailyLogFile::setFileName(const QString& fileName)
{
    if (fileName != m_fileName)
        m_checkedDay = {};
    m_fileName = fileName;
}

bool DailyLogFile::append(const QDateTime& moment, const QString& line)
{
    const QDate today = moment.date();
    if (today != m_checkedDay) {
        moveAsideIfEarlierThan(today);
        m_checkedDay = today;
    }
    return LineAppender::append(m_fileName, line);
}

void DailyLogFile::moveAsideIfEarlierThan(QDate today) const
{
    const QDate day = firstLineDay();
    // A clock set back leaves the file as it is: its lines never go under a later day's name.
    if (!day.isValid() || day >= today)
        return;
    const QString dated = datedName(m_fileName, day);
    if (!QFile::rename(m_fileName, dated))
        appendAndRemove(m_fileName, dated);
    if (keptDays())
        removeExpired(QFileInfo(m_fileName).absolutePath(), today, *keptDays());
}

QDate DailyLogFile::firstLineDay() const
{
    QFile file(m_fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QDate day = QDate::fromString(QString::fromLatin1(file.read(kDayFormat.size())), kDayFormat);
    // A file whose first line carries no date is dated by its last change.
    return day.isValid() || file.size() == 0 ? day : QFileInfo(file).lastModified().date();
}

void DailyLogFile::keepDays(int days, const QString& folder)
{
    keptDays() = std::max(days, kMinimumKeptDays);
    removeExpired(folder, Clock::now().date(), *keptDays());
}

void DailyLogFile::forgetKeptDays()
{
    keptDays().reset();
}

QString DailyLogFile::datedName(const QString& fileName, QDate day)
{
    const QFileInfo info(fileName);
    return info.absolutePath() + u'/' + info.completeBaseName() + u'-' + day.toString(kDayFormat) + u'.' +
           info.suffix();
}

void DailyLogFile::removeExpired(const QString& folder, QDate today, int days)
{
    static const QRegularExpression dated(QStringLiteral(R"(^.+-(\d{4}-\d\d-\d\d)\.log$)"));
    const QDate oldestKept = today.addDays(-days);
    const QStringList names = QDir(folder).entryList({QStringLiteral("*-\?\?\?\?-\?\?-\?\?.log")}, QDir::Files);
    for (const QString& name : names) {
        const auto match = dated.match(name);
        const QDate day = match.hasMatch() ? QDate::fromString(match.captured(1), kDayFormat) : QDate();
        if (day.isValid() && day < oldestKept)
            QFile::remove(folder + u'/' + name);
    }
}
