#pragma once

#include "controller/EngineGUI.h"

// The window of the offline engine: a rectangle that remembers where it was put, with no
// window behind it (handle 0).
class OfflineEngineGUI : public EngineGUI {
public:
    QString className() const override { return QStringLiteral("EngineGUI"); }

    qint32 hwnd() const override { return 0; }
    qint16 Left() const override { return m_left; }
    void setLeft(qint16 value) override { m_left = value; }
    qint16 Top() const override { return m_top; }
    void setTop(qint16 value) override { m_top = value; }
    qint16 Width() const override { return m_width; }
    void setWidth(qint16 value) override { m_width = value; }
    qint16 Height() const override { return m_height; }
    void setHeight(qint16 value) override { m_height = value; }
    bool TopMost() const override { return m_topMost; }
    void setTopMost(bool value) override { m_topMost = value; }

private:
    qint16 m_left = 0;
    qint16 m_top = 0;
    qint16 m_width = 0;
    qint16 m_height = 0;
    bool m_topMost = false;
};
