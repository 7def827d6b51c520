#include "components/IniCommandEntry.h"

#include "config/IniSections.h"
#include "config/clsINIFile.h"
#include "controller/MainIni.h"
#include "platform/Clock.h"
#include "platform/DateValue.h"

#include <QRegularExpression>

namespace {

const QString kTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

const QRegularExpression& keptPattern()
{
    static const QRegularExpression pattern(
        QStringLiteral("^@(\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2})\\|([^|]*)\\|(.*)$"),
        QRegularExpression::DotMatchesEverythingOption);
    return pattern;
}

} // namespace

void IniCommandEntry::setKey(const QString& key)
{
    m_key = key;
    parse(MainIni::get()->GetString(IniSections::Commands, key));
}

void IniCommandEntry::Save()
{
    if (m_readError.isEmpty())
        write();
}

void IniCommandEntry::Complete()
{
    CompleteAs(kDoneStatus);
}

void IniCommandEntry::CompleteAs(const QString& status)
{
    if (!m_readError.isEmpty())
        return;
    // The time it was finished, from which its age is counted when finished entries are pruned.
    m_when = DateValue::fromDateTime(Clock::now());
    m_status = status;
    m_defect.clear();
    write();
}

QString IniCommandEntry::keptForm(double when, const QString& status, const QString& commandText)
{
    return QStringLiteral("@%1|%2|%3").arg(timeText(when), status, commandText);
}

QString IniCommandEntry::timeText(double when)
{
    // The serial as it reads, without any time zone; then checked against the local clock.
    if (!DateValue::isInRange(when))
        return DateValue::toDateTime(when).toString(kTimeFormat);
    const DateValue::Parts parts = DateValue::split(when);
    const QDate date(parts.year, parts.month, parts.day);
    QTime time(parts.hour, parts.minute, parts.second);
    const auto exists = [&](const QTime& candidate) {
        const QDateTime local(date, candidate, Qt::LocalTime);
        return local.isValid() && local.date() == date && local.time() == candidate;
    };
    // Skipped hours begin and end on a whole minute, and no day skips more than one of them.
    if (!exists(time)) {
        QTime next(time.hour(), time.minute());
        for (int minute = 0; minute < 24 * 60 && !exists(next); ++minute) {
            next = next.addSecs(60);
            if (next == QTime(0, 0))
                break;
        }
        time = next;
    }
    return QDateTime(date, time, Qt::UTC).toString(kTimeFormat);
}

void IniCommandEntry::parse(const QString& value)
{
    m_when = 0.0;
    m_status.clear();
    m_commandText.clear();
    m_readError.clear();
    m_defect.clear();
    if (value.size() > kMaxValueLength) {
        m_readError = QStringLiteral("longer than %1 characters").arg(kMaxValueLength);
        return;
    }
    if (!value.startsWith(QLatin1Char('@'))) {
        // A plain command, as a writer adds it: pending and due at once. No URI starts with "@".
        m_commandText = value;
    } else {
        const auto match = keptPattern().match(value);
        if (!match.hasMatch()) {
            m_readError = QStringLiteral("not in the form @YYYY-MM-DD HH:MM:SS|STATUS|COMMAND");
            return;
        }
        // Read as it stands, as wall-clock time: no time zone may move or refuse it.
        const QDateTime wall = QDateTime(QDate::fromString(match.captured(1).left(10), QStringLiteral("yyyy-MM-dd")),
                                         QTime::fromString(match.captured(1).mid(11), QStringLiteral("HH:mm:ss")),
                                         Qt::UTC);
        m_status = match.captured(2);
        m_commandText = match.captured(3);
        if (!wall.isValid()) {
            // Whole, so not a cut read: a time that is no time.
            m_defect = QStringLiteral("its time %1 is not a valid date and time").arg(match.captured(1));
            return;
        }
        m_when = DateValue::fromDateTime(wall);
    }
    // Its finished state must be readable again, whatever its outcome, or the command would be
    // lost once it ran.
    if (m_status.isEmpty() && keptForm(m_when, CommandStatus::longest(), m_commandText).size() > kMaxValueLength)
        m_readError = QStringLiteral("too long to be kept done (at most %1 characters)").arg(maxCommandLength());
}

qsizetype IniCommandEntry::maxCommandLength()
{
    return kMaxValueLength - keptForm(0.0, CommandStatus::longest(), QString()).size();
}

void IniCommandEntry::write() const
{
    MainIni::get()->WriteString(IniSections::Commands, m_key, keptForm(m_when, m_status, m_commandText));
}
