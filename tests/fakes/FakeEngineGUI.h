#pragma once

#include "components/OfflineEngineGUI.h"

// The offline window with a window handle and a kiosk-sized rectangle, as a real engine's.
class FakeEngineGUI : public OfflineEngineGUI {
public:
    FakeEngineGUI()
    {
        setWidth(1024);
        setHeight(768);
    }

    QString className() const override { return QStringLiteral("FakeEngineGUI"); }
    qint32 hwnd() const override { return handle; }

    qint32 handle = 0x1234;
};
