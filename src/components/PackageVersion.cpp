#include "components/PackageVersion.h"

#include <QFile>
#include <QStringList>

std::optional<PackageVersion> PackageVersion::parse(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() > kMaxParts)
        return std::nullopt;
    PackageVersion version;
    for (const QString& part : parts) {
        if (part.isEmpty() || part.size() > kMaxDigits)
            return std::nullopt;
        for (const QChar c : part)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return std::nullopt;
        version.m_parts.append(part.toUInt());
    }
    return version;
}

PackageVersion PackageVersion::fromFile(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return parse(QString::fromLatin1(file.read(256)).trimmed()).value_or(PackageVersion());
}

QString PackageVersion::toString() const
{
    if (m_parts.isEmpty())
        return QStringLiteral("0");
    QStringList parts;
    for (const quint32 part : m_parts)
        parts << QString::number(part);
    return parts.join(QLatin1Char('.'));
}

bool PackageVersion::isNewerThan(const PackageVersion& other) const
{
    const qsizetype count = std::max(m_parts.size(), other.m_parts.size());
    for (qsizetype i = 0; i < count; ++i) {
        const quint32 mine = m_parts.value(i);
        const quint32 theirs = other.m_parts.value(i);
        if (mine != theirs)
            return mine > theirs;
    }
    return false;
}
