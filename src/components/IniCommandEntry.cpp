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
    write();
}

QString IniCommandEntry::keptForm(double when, const QString& status, const QString& commandText)
{
    const QString time = DateValue::toDateTime(when).toString(kTimeFormat);
    return QStringLiteral("@%1|%2|%3").arg(time, status, commandText);
}

void IniCommandEntry::parse(const QString& value)
{
    m_when = 0.0;
    m_status.clear();
    m_commandText.clear();
    m_readError.clear();
    if (value.size() > kMaxValueLength) {
        m_readError = QStringLiteral("longer than %1 characters").arg(kMaxValueLength);
        return;
    }
    if (!value.startsWith(QLatin1Char('@'))) {
        // A plain command, as a writer adds it: pending and due at once. No URI starts with "@".
        m_commandText = value;
    } else {
        const auto match = keptPattern().match(value);
        const QDateTime time =
            match.hasMatch() ? QDateTime::fromString(match.captured(1), kTimeFormat) : QDateTime();
        if (!time.isValid()) {
            m_readError = QStringLiteral("not in the form @YYYY-MM-DD HH:MM:SS|STATUS|COMMAND");
            return;
        }
        m_when = DateValue::fromDateTime(time);
        m_status = match.captured(2);
        m_commandText = match.captured(3);
    }
    // Its finished state must be readable again, or the command would be lost once it ran.
    if (m_status.isEmpty() && keptForm(m_when, kDoneStatus, m_commandText).size() > kMaxValueLength)
        m_readError = QStringLiteral("too long to be kept done (at most %1 characters)").arg(maxCommandLength());
}

qsizetype IniCommandEntry::maxCommandLength()
{
    return kMaxValueLength - keptForm(0.0, kDoneStatus, QString()).size();
}

void IniCommandEntry::write() const
{
    MainIni::get()->WriteString(IniSections::Commands, m_key, keptForm(m_when, m_status, m_commandText));
}
