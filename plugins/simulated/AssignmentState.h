#pragma once

#include "platform/Variant.h"

#include <QString>

// Whether the terminal is assigned to an account at the simulated host, kept in
// <data_path>/simulator/assignment.ini so that it survives a restart. The codes the host
// accepts are in docs/simulated-engine.md.
class AssignmentState {
public:
    explicit AssignmentState(QString fileName);

    bool isAssigned() const { return !m_account.isEmpty(); }
    QString account() const { return m_account; }

    // Each returns true when the terminal is assigned afterwards; message is the host's text.
    bool assign(const QString& hardwareId, const QString& code1, const QString& code2, bool force, QString& message);
    // Assignment with the terminal's own values: the hardware ID, accepted while HOST assign is "ok".
    bool assignOwn(const QString& hardwareId, const QString& assignAnswer, QString& message);
    // The Sovereign's raw arguments: hardware ID, code 1, code 2 and optionally Force.
    bool assignArguments(const VariantArray& arguments, QString& message);

    // A code 1 the host accepts: six digits, the last being the sum of the first five modulo 10.
    static bool isValidCode1(const QString& code);

private:
    bool store(const QString& account, const QString& hardwareId, QString& message);

    QString m_fileName;
    QString m_account;
};
