#pragma once

#include "controller/CommandHost.h"
#include "controller/frmController.h"

#include <QPointer>

// The command host of the running program: forwards to the controller window it is attached to,
// which it only watches. Once that controller has unloaded or gone, the host is not Present and
// does nothing, so a tick that waited meanwhile leaves its entry pending.
class ControllerCommandHost : public CommandHost {
public:
    ControllerCommandHost() = default;
    explicit ControllerCommandHost(frmController& controller);

    // What the controller's tmrCommand runs: one tick of the remote command processor, which
    // lives as long as the program, so that a tick waiting for a package to be read goes on
    // from the work's end.
    static frmController::CommandProcessor tick();

    void attach(frmController& controller);

    bool Present() const override;
    std::shared_ptr<RulesEngine> Engine() const override;
    bool KioskMode() const override;
    void StartEngine() override;
    void StopEngine() override;
    void RaiseClosing(const QString& message) override;
    void setConnection(std::shared_ptr<HostConnection> connection) override;
    bool startProgram(const QString& program, const QStringList& arguments) override;
    void endProcess() override;

private:
    QPointer<frmController> m_controller;
};
