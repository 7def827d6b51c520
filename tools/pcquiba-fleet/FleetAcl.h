#pragma once

#include <QString>
#include <QStringList>

// The broker's access file, written from a roster of the fleet. mosquitto's patterns know the
// client's user name but not its groups, so every kiosk gets its own block.
//
// The roster, one declaration a line ("#" starts a comment):
//     fleet NAME
//     kiosk NAME [GROUP,GROUP...]
//     operator NAME
class FleetAcl {
public:
    static constexpr int kMaxRosterLines = 100000;

    // The access file's text, or false with error naming the roster line that is wrong.
    static bool fromRoster(const QString& roster, QString& acl, QString& error);
};
