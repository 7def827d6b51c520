#include "controller/ControllerCommandHost.h"

#include "controller/CommandProcessor.h"

#include <QCoreApplication>
#include <QProcess>

ControllerCommandHost::ControllerCommandHost(frmController& controller)
    : m_controller(controller)
{
}

frmController::CommandProcessor ControllerCommandHost::tick()
{
    // What one tick reported is remembered for the next, so that it is logged once.
    return [memory = std::make_shared<CommandProcessor::Memory>()](frmController& controller) {
        ControllerCommandHost host(controller);
        CommandProcessor(host, memory).tmrCommand_Timer();
    };
}

std::shared_ptr<RulesEngine> ControllerCommandHost::Engine() const
{
    return m_controller.Engine();
}

bool ControllerCommandHost::KioskMode() const
{
    return m_controller.KioskMode();
}

void ControllerCommandHost::StartEngine()
{
    m_controller.StartEngine();
}

void ControllerCommandHost::StopEngine()
{
    m_controller.StopEngine();
}

void ControllerCommandHost::RaiseClosing(const QString& message)
{
    m_controller.RaiseClosing(message);
}

void ControllerCommandHost::setConnection(std::shared_ptr<HostConnection> connection)
{
    m_controller.setConnection(std::move(connection));
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
