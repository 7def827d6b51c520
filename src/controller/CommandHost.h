#pragma once

#include "controller/HostConnection.h"
#include "controller/RulesEngine.h"

#include <QStringList>
#include <memory>

// What the remote command processor needs from the controller that ticks it: the engine, the
// kiosk flag, stopping and starting the engine, the Closing event, the upload's connection, and
// handing over to the installer program.
class CommandHost {
public:
    virtual ~CommandHost() = default;

    // The controller that ticks is still loaded. A Sovereign that releases its last API object
    // while the tick waits (for Closing, or for a package to be read) unloads it.
    virtual bool Present() const { return true; }
    // The running engine, or nullptr.
    virtual std::shared_ptr<RulesEngine> Engine() const = 0;
    virtual bool KioskMode() const = 0;
    virtual void StartEngine() = 0;
    virtual void StopEngine() = 0;
    virtual void RaiseClosing(const QString& message) = 0;
    // Keeps the connection of a running upload until it reports its end.
    virtual void setConnection(std::shared_ptr<HostConnection> connection) = 0;
    // Starts a program with an argument vector (never through a shell), not waiting for it.
    // False when it could not be started.
    virtual bool startProgram(const QString& program, const QStringList& arguments) = 0;
    // Ends the process once the current tick has returned.
    virtual void endProcess() = 0;
};
