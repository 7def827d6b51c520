#pragma once

#include "platform/Variant.h"

#include <QString>
#include <functional>
#include <optional>

class EngineGUI;

// The Sovereign's handle on the kiosk window the engine draws. It keeps no state: the window
// properties go to the controller's current engine, Show runs within the call, Interrupt and
// Hide are carried out by the controller after the call has returned.
class UserInterface : public AutomationObject {
public:
    static inline const QString kClassName = QStringLiteral("UserInterface");

    QString className() const override;

    // The window properties never raise: without an engine a read gives 0 or False and a write
    // is dropped.
    qint32 hwnd();
    qint16 Left();
    void setLeft(qint16 value);
    qint16 Top();
    void setTop(qint16 value);
    qint16 Width();
    void setWidth(qint16 value);
    qint16 Height();
    void setHeight(qint16 value);
    bool TopMost();
    void setTopMost(bool value);

    void Show(std::optional<QString>& startAt);
    void Interrupt(std::optional<QString>& reason);
    void Hide();

private:
    // GET line, the value from the engine's window (fallback on any failure), result line.
    static Variant read(const QString& property, const Variant& fallback,
                        const std::function<Variant(const EngineGUI&)>& get);
    // SET line, then the value to the engine's window; any failure is dropped.
    static void write(const QString& property, const Variant& value, const std::function<void(EngineGUI&)>& set);
    // The engine's window; raises 91 without an engine or a window.
    static std::shared_ptr<EngineGUI> gui();
};
