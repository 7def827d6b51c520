#pragma once

#include "controller/EngineGUI.h"

class FakeEngineGUI : public EngineGUI {
public:
    QString className() const override { return QStringLiteral("FakeEngineGUI"); }

    qint32 hwnd() const override { return handle; }
    qint16 Left() const override { return left; }
    void setLeft(qint16 value) override { left = value; }
    qint16 Top() const override { return top; }
    void setTop(qint16 value) override { top = value; }
    qint16 Width() const override { return width; }
    void setWidth(qint16 value) override { width = value; }
    qint16 Height() const override { return height; }
    void setHeight(qint16 value) override { height = value; }
    bool TopMost() const override { return topMost; }
    void setTopMost(bool value) override { topMost = value; }

    qint32 handle = 0x1234;
    qint16 left = 0;
    qint16 top = 0;
    qint16 width = 1024;
    qint16 height = 768;
    bool topMost = false;
};
