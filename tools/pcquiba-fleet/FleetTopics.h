#pragma once

#include <QString>

// The topics of one fleet, all under "pcquiba/<fleet>/". Fleet, kiosk and group names are
// 1 to 64 characters of letters, digits, "_", "." and "-", so that no name can carry a topic
// level or a wildcard; "all", "group" and "operator" name no kiosk.
class FleetTopics {
public:
    explicit FleetTopics(const QString& fleet) : m_root(QStringLiteral("pcquiba/") + fleet + u'/') {}

    QString kioskCommands(const QString& kiosk) const { return m_root + kiosk + QStringLiteral("/cmd"); }
    QString groupCommands(const QString& group) const { return m_root + QStringLiteral("group/") + group + QStringLiteral("/cmd"); }
    QString allCommands() const { return m_root + QStringLiteral("all/cmd"); }
    QString status(const QString& kiosk) const { return m_root + kiosk + QStringLiteral("/status"); }
    QString online(const QString& kiosk) const { return m_root + kiosk + QStringLiteral("/online"); }
    QString info(const QString& kiosk) const { return m_root + kiosk + QStringLiteral("/info"); }
    QString result(const QString& kiosk, const QString& id) const { return m_root + kiosk + QStringLiteral("/result/") + id; }
    // An operator's own topic, through which it learns that the retained messages have arrived.
    QString operatorSync(const QString& name) const { return m_root + QStringLiteral("operator/") + name + QStringLiteral("/sync"); }
    QString everything() const { return m_root + u'#'; }
    QString root() const { return m_root; }

    // The kiosk a topic under the root belongs to and the rest after it ("status",
    // "result/ID", ...); false for a topic of another shape.
    bool split(const QString& topic, QString& kiosk, QString& rest) const;

    static bool isValidName(const QString& name);
    static bool isValidKioskName(const QString& name);
    // A command id: [a-z0-9-]{1,64}.
    static bool isValidCommandId(const QString& id);

private:
    QString m_root;
};
