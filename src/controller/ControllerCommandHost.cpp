#include "controller/ControllerCommandHost.h"

#include "controller/CommandProcessor.h"

#include <QCoreApplication>
#include <QProcess>

ControllerCommandHost::ControllerCommandHost(frmController& controller)
    : m_controller(&controller)
{
}

frmController::CommandProcessor ControllerCommandHost::tick()
{
    auto host = std::make_shared<ControllerCommandHost>();
    auto processor = std::make_shared<CommandProcessor>(*host);
    return [host, processor](frmController& controller) {
        // A tick still waiting keeps the controller it began with.
        if (!processor->busy())
            host->attach(controller);
        processor->tmrCommand_Timer();
    };
}

void ControllerCommandHost::attach(frmController& controller)
{
    m_controller = &controller;
}

bool ControllerCommandHost::Present() const
{
    return m_controller && !m_controller->isUnloading();
}

std::shared_ptr<RulesEngine> ControllerCommandHost::Engine() const
{
    return Present() ? m_controller->Engine() : nullptr;
}

bool ControllerCommandHost::KioskMode() const
{
    return Present() && m_controller->KioskMode();
}

void ControllerCommandHost::StartEngine()
{
    if (Present())
        m_controller->StartEngine();
}

void ControllerCommandHost::StopEngine()
{
    if (Present())
        m_controller->StopEngine();
}

void ControllerCommandHost::RaiseClosing(const QString& message)
{
    if (Present())
        m_controller->RaiseClosing(message);
}

void ControllerCommandHost::setConnection(std::shared_ptr<HostConnection> connection)
{
    if (Present())
        m_controller->setConnection(std::move(connection));
}

bool ControllerCommandHost::startProgram(const QString& program, const QStringList& arguments)
{
    // No working folder of its own: the installer finds everything from its arguments.
    return QProcess::startDetached(program, arguments);
}

void ControllerCommandHost::endProcess()
{
    QCoreApplication::exit(0);
}
