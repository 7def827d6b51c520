#include "FleetAcl.h"

#include "FleetTopics.h"

#include <QRegularExpression>
#include <QSet>

namespace {

struct RosterKiosk {
    QString name;
    QStringList groups;
};

QString kioskBlock(const FleetTopics& topics, const RosterKiosk& kiosk)
{
    QStringList lines{QStringLiteral("user ") + kiosk.name,
                      QStringLiteral("topic read ") + topics.kioskCommands(kiosk.name)};
    for (const QString& group : kiosk.groups)
        lines.append(QStringLiteral("topic read ") + topics.groupCommands(group));
    lines.append(QStringLiteral("topic read ") + topics.allCommands());
    for (const QString& topic : {topics.status(kiosk.name), topics.online(kiosk.name), topics.info(kiosk.name),
                                 topics.result(kiosk.name, QStringLiteral("+"))})
        lines.append(QStringLiteral("topic write ") + topic);
    return lines.join(u'\n') + u'\n';
}

} // namespace

bool FleetAcl::fromRoster(const QString& roster, QString& acl, QString& error)
{
    QString fleet;
    QList<RosterKiosk> kiosks;
    QStringList operators;
    QSet<QString> users;
    const QStringList lines = roster.split(u'\n');
    if (lines.size() > kMaxRosterLines) {
        error = QStringLiteral("roster longer than %1 lines").arg(kMaxRosterLines);
        return false;
    }
    for (qsizetype number = 0; number < lines.size(); ++number) {
        const QString line = lines[number].section(u'#', 0, 0).trimmed();
        if (line.isEmpty())
            continue;
        const QStringList words = line.split(QRegularExpression(QStringLiteral("\\s+")));
        auto wrong = [&](const QString& why) {
            error = QStringLiteral("roster line %1: %2: %3").arg(number + 1).arg(why, lines[number]);
            return false;
        };
        const QString& kind = words[0];
        if (kind == u"fleet") {
            if (words.size() != 2 || !FleetTopics::isValidName(words[1]) || !fleet.isEmpty())
                return wrong(QStringLiteral("one fleet line with one fleet name"));
            fleet = words[1];
            continue;
        }
        if (kind != u"kiosk" && kind != u"operator")
            return wrong(QStringLiteral("not a declaration"));
        if (words.size() < 2 || !FleetTopics::isValidKioskName(words[1]))
            return wrong(QStringLiteral("not a name"));
        if (users.contains(words[1]))
            return wrong(QStringLiteral("name given twice"));
        users.insert(words[1]);
        if (kind == u"operator") {
            if (words.size() != 2)
                return wrong(QStringLiteral("an operator has no groups"));
            operators.append(words[1]);
            continue;
        }
        RosterKiosk kiosk{words[1], {}};
        if (words.size() > 3)
            return wrong(QStringLiteral("groups are one word, joined by commas"));
        if (words.size() == 3) {
            kiosk.groups = words[2].split(u',', Qt::SkipEmptyParts);
            for (const QString& group : kiosk.groups) {
                if (!FleetTopics::isValidName(group))
                    return wrong(QStringLiteral("not a group name"));
            }
        }
        kiosks.append(kiosk);
    }
    if (fleet.isEmpty()) {
        error = QStringLiteral("the roster names no fleet (a line \"fleet NAME\")");
        return false;
    }
    const FleetTopics topics(fleet);
    acl = QStringLiteral("# Written by pcquiba-fleet acl from the fleet's roster; edit the roster, not this file.\n");
    for (const RosterKiosk& kiosk : kiosks)
        acl += u'\n' + kioskBlock(topics, kiosk);
    for (const QString& name : operators)
        acl += QStringLiteral("\nuser %1\ntopic readwrite %2\n").arg(name, topics.everything());
    return true;
}
