#pragma once

#include "controller/CommandHost.h"
#include "controller/frmController.h"

// The command host of the running program: forwards to the controller window.
class ControllerCommandHost : public CommandHost {
public:
    explicit ControllerCommandHost(frmController& controller);

    // What the controller's tmrCommand runs: one tick of the remote command processor.
    static frmController::CommandProcessor tick();

    std::shared_ptr<RulesEngine> Engine() const override;
    bool KioskMode() const override;
    void StartEngine() override;
    void StopEngine() override;
    void RaiseClosing(const QString& message) override;
    void setConnection(std::shared_ptr<HostConnection> connection) override;
    bool startProgram(const QString& program, const QStringList& arguments) override;
    void endProcess() override;

private:
    frmController& m_controller;
};
