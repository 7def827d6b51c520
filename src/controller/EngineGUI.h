#pragma once

#include "platform/AutomationObject.h"

// The kiosk window the engine owns.
class EngineGUI : public AutomationObject {
public:
    virtual qint32 hwnd() const = 0;
    virtual qint16 Left() const = 0;
    virtual void setLeft(qint16 value) = 0;
    virtual qint16 Top() const = 0;
    virtual void setTop(qint16 value) = 0;
    virtual qint16 Width() const = 0;
    virtual void setWidth(qint16 value) = 0;
    virtual qint16 Height() const = 0;
    virtual void setHeight(qint16 value) = 0;
    virtual bool TopMost() const = 0;
    virtual void setTopMost(bool value) = 0;
};
