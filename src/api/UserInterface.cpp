#include "api/UserInterface.h"

#include "api/ClassExit.h"
#include "api/SaleGuards.h"
#include "services/ErrorExit.h"
#include "services/ProcedureFrame.h"
#include "services/Trace.h"
#include "controller/frmController.h"
#include "platform/Dictionary.h"
#include "platform/RuntimeErrors.h"
#include "support/modTouchTools.h"

#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {

QString quoted(const QString& text)
{
    return modTouchTools::QuoteText(Variant(text), u"\""_s);
}

} // namespace

QString UserInterface::className() const
{
    return kClassName;
}

// ---- the window's properties -----------------------------------------------------------------

std::shared_ptr<EngineGUI> UserInterface::gui()
{
    std::shared_ptr<EngineGUI> window = SaleGuards::requiredEngine()->GUI();
    if (!window)
        RuntimeErrors::raise(RuntimeErrors::ObjectNotSet);
    return window;
}

Variant UserInterface::read(const QString& property, const Variant& fallback,
                            const std::function<Variant(const EngineGUI&)>& get)
{
    Trace::write(Trace::getLine(kClassName, property));
    Variant value = fallback;
    try {
        value = get(*gui());
    } catch (const std::exception&) {
        // The window properties report nothing: a missing engine reads as the fallback.
    }
    Trace::write(Trace::resultLine(Trace::valueText(value)));
    return value;
}

void UserInterface::write(const QString& property, const Variant& value, const std::function<void(EngineGUI&)>& set)
{
    Trace::write(Trace::setLine(kClassName, property, Trace::valueText(value)));
    try {
        set(*gui());
    } catch (const std::exception&) {
        // Dropped, as the window properties report nothing.
    }
}

qint32 UserInterface::hwnd()
{
    return read(u"hWnd"_s, Variant(qint32(0)), [](const EngineGUI& window) { return Variant(window.hwnd()); })
        .longValue();
}

qint16 UserInterface::Left()
{
    return read(u"Left"_s, Variant(qint16(0)), [](const EngineGUI& window) { return Variant(window.Left()); })
        .integerValue();
}

void UserInterface::setLeft(qint16 value)
{
    write(u"Left"_s, Variant(value), [value](EngineGUI& window) { window.setLeft(value); });
}

qint16 UserInterface::Top()
{
    return read(u"Top"_s, Variant(qint16(0)), [](const EngineGUI& window) { return Variant(window.Top()); })
        .integerValue();
}

void UserInterface::setTop(qint16 value)
{
    write(u"Top"_s, Variant(value), [value](EngineGUI& window) { window.setTop(value); });
}

qint16 UserInterface::Width()
{
    return read(u"Width"_s, Variant(qint16(0)), [](const EngineGUI& window) { return Variant(window.Width()); })
        .integerValue();
}

void UserInterface::setWidth(qint16 value)
{
    write(u"Width"_s, Variant(value), [value](EngineGUI& window) { window.setWidth(value); });
}

qint16 UserInterface::Height()
{
    return read(u"Height"_s, Variant(qint16(0)), [](const EngineGUI& window) { return Variant(window.Height()); })
        .integerValue();
}

void UserInterface::setHeight(qint16 value)
{
    write(u"Height"_s, Variant(value), [value](EngineGUI& window) { window.setHeight(value); });
}

bool UserInterface::TopMost()
{
    return read(u"TopMost"_s, Variant(false), [](const EngineGUI& window) { return Variant(window.TopMost()); })
        .boolValue();
}

void UserInterface::setTopMost(bool value)
{
    write(u"TopMost"_s, Variant(value), [value](EngineGUI& window) { window.setTopMost(value); });
}

// ---- showing and hiding ----------------------------------------------------------------------

void UserInterface::Show(std::optional<QString>& startAt)
{
    ProcedureFrame frame(u"Sub Show"_s, kClassName);
    frame.run(classExit<UserInterface>(), [&] {
        const QString start = startAt.value_or(QString());
        Trace::write(start.isEmpty() ? Trace::callLine(kClassName, u"Show"_s)
                                     : Trace::callLine(kClassName, u"Show"_s, {quoted(start)}));
        SaleGuards::require(frame, kClassName,
                            {{SaleGuards::Ready},
                             {SaleGuards::Assigned},
                             {SaleGuards::Idle, u"Cannot Add Item"_s},
                             {SaleGuards::BasketPresent},
                             {SaleGuards::NotCommitted, u"Cannot Show GUI"_s},
                             {SaleGuards::NotFull, u"Cannot Show GUI"_s}});
        SaleGuards::requiredEngine()->ShowGUI(start);
    });
}

void UserInterface::Interrupt(std::optional<QString>& reason)
{
    ProcedureFrame frame(u"Sub Interrupt"_s, kClassName);
    frame.run(classExit<UserInterface>(), [&] {
        const QString text = reason.value_or(QString());
        Trace::write(Trace::callLine(kClassName, u"Interrupt"_s, {quoted(text)}));
        SaleGuards::require(frame, kClassName, {{SaleGuards::Ready}});
        frmController& controller = frmController::instance();
        controller.Args().setItem(u"Reason"_s, Variant(text));
        modTouchTools::PostClick(controller.cmdInterruptGUI());
    });
}

void UserInterface::Hide()
{
    ProcedureFrame frame(u"Sub Hide"_s, kClassName);
    frame.run(classExit<UserInterface>(), [&] {
        Trace::write(Trace::callLine(kClassName, u"Hide"_s));
        SaleGuards::require(frame, kClassName, {{SaleGuards::Ready}});
        modTouchTools::PostClick(frmController::instance().cmdHideGUI());
    });
}
