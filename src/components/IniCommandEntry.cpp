#include "components/IniCommandEntry.h"

#include "config/IniSections.h"
#include "config/clsINIFile.h"
#include "controller/MainIni.h"
#include "platform/DateValue.h"
#include "platform/Dictionary.h"

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
    parse(MainIni::get()->GetSection(IniSections::Commands)->item(key).toString());
}

void IniCommandEntry::Save()
{
    write();
}

void IniCommandEntry::Complete()
{
    m_status = kDoneStatus;
    write();
}

QString IniCommandEntry::keptForm(double when, const QString& status, const QString& commandText)
{
    const QString time = DateValue::toDateTime(when).toString(kTimeFormat);
    return QStringLiteral("@%1|%2|%3").arg(time, status, commandText);
}

void IniCommandEntry::parse(const QString& value)
{
    const auto match = keptPattern().match(value);
    const QDateTime time = match.hasMatch() ? QDateTime::fromString(match.captured(1), kTimeFormat) : QDateTime();
    if (!time.isValid()) {
        // A plain command, as a writer adds it: pending and due at once.
        m_when = 0.0;
        m_status.clear();
        m_commandText = value;
        return;
    }
    m_when = DateValue::fromDateTime(time);
    m_status = match.captured(2);
    m_commandText = match.captured(3);
}

void IniCommandEntry::write() const
{
    MainIni::get()->WriteString(IniSections::Commands, m_key, keptForm(m_when, m_status, m_commandText));
}
