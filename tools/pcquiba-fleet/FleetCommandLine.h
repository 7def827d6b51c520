#pragma once

#include <QStringList>

// The program's command line: "agent" runs the kiosk's agent; "send", "status", "watch" and
// "acl" are the operator's commands (docs/fleet.md).
class FleetCommandLine {
public:
    // The exit status: 0 done, 1 a kiosk answered badly or a file was wrong, 2 arguments or
    // the broker not usable.
    static int run(const QStringList& arguments);
};
