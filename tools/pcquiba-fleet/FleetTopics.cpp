#include "FleetTopics.h"

#include <QRegularExpression>

bool FleetTopics::split(const QString& topic, QString& kiosk, QString& rest) const
{
    if (!topic.startsWith(m_root))
        return false;
    const QString tail = topic.mid(m_root.size());
    const qsizetype slash = tail.indexOf(u'/');
    if (slash <= 0)
        return false;
    kiosk = tail.left(slash);
    rest = tail.mid(slash + 1);
    return isValidKioskName(kiosk);
}

bool FleetTopics::isValidName(const QString& name)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9_.-]{1,64}$"));
    return pattern.match(name).hasMatch();
}

bool FleetTopics::isValidKioskName(const QString& name)
{
    return isValidName(name) && name != u"all" && name != u"group" && name != u"operator";
}

bool FleetTopics::isValidCommandId(const QString& id)
{
    static const QRegularExpression pattern(QStringLiteral("^[a-z0-9-]{1,64}$"));
    return pattern.match(id).hasMatch();
}
