#pragma once

#include "controller/EngineGUI.h"

#include <QPointer>
#include <QRect>
#include <QWidget>

// Where the kiosk window stands. Position, size and the top-most flag are applied where the
// platform lets a program place its windows (X11); elsewhere they are kept, logged once, and
// left to the window system.
class SimulatedEngineGUI : public EngineGUI {
public:
    SimulatedEngineGUI(QRect geometry, bool topMost);

    QString className() const override { return QStringLiteral("EngineGUI"); }

    qint32 hwnd() const override;
    qint16 Left() const override { return qint16(m_geometry.left()); }
    void setLeft(qint16 value) override;
    qint16 Top() const override { return qint16(m_geometry.top()); }
    void setTop(qint16 value) override;
    qint16 Width() const override { return qint16(m_geometry.width()); }
    void setWidth(qint16 value) override;
    qint16 Height() const override { return qint16(m_geometry.height()); }
    void setHeight(qint16 value) override;
    bool TopMost() const override { return m_topMost; }
    void setTopMost(bool value) override;

    // The window the values apply to; they are applied at once and at every show.
    void attach(QWidget* window, bool kioskMode);
    void show();
    void hide();

    static bool platformPlacesWindows();

private:
    void apply();

    QRect m_geometry;
    bool m_topMost;
    bool m_kioskMode = false;
    QPointer<QWidget> m_window;
};
