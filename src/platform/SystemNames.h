#pragma once

#include <QString>

// The names the system gives the machine and the user, the stand-ins for GetComputerNameA and
// GetUserNameA.
class SystemNames {
public:
    // The host name as the kernel reports it.
    static QString computerName();
    // The name of the account the process runs as; $USER when the account has no entry.
    static QString userName();
};
