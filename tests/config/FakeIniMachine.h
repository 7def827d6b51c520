#pragma once

#include "config/IniMachine.h"

// A machine with known names, folder and screen, in use while the object lives.
class FakeIniMachine : public IniMachine {
public:
    FakeIniMachine() { IniMachine::setCurrent(this); }
    ~FakeIniMachine() override { IniMachine::setCurrent(nullptr); }
    FakeIniMachine(const FakeIniMachine&) = delete;
    FakeIniMachine& operator=(const FakeIniMachine&) = delete;

    QString computerName() const override { return computer; }
    QString userName() const override { return user; }
    QString executableFolder() const override { return folder; }
    QSize screenSize() const override { return screen; }

    QString computer = QStringLiteral("KIOSK-07");
    QString user = QStringLiteral("till");
    QString folder = QStringLiteral("/opt/pcquiba/bin");
    QSize screen{1024, 768};
};
