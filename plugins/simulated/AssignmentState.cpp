#include "AssignmentState.h"

#include "SimulatedLog.h"
#include "VariantText.h"
#include "config/clsINIFile.h"
#include "platform/Clock.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace {

const QString kSection = QStringLiteral("ASSIGNMENT");
const QString kAccount = QStringLiteral("account");
const QString kHardwareId = QStringLiteral("hardware_id");
const QString kAssignedAt = QStringLiteral("assigned_at");

} // namespace

AssignmentState::AssignmentState(QString fileName)
    : m_fileName(std::move(fileName))
{
    clsINIFile ini;
    ini.setFileName(m_fileName);
    m_account = ini.GetString(kSection, kAccount).trimmed();
}

bool AssignmentState::isValidCode1(const QString& code)
{
    if (code.size() != 6)
        return false;
    int sum = 0;
    for (int position = 0; position < 6; ++position) {
        if (!code.at(position).isDigit() || code.at(position).unicode() > u'9')
            return false;
        if (position < 5)
            sum += code.at(position).unicode() - u'0';
    }
    return code.at(5).unicode() - u'0' == sum % 10;
}

bool AssignmentState::assign(const QString& hardwareId, const QString& code1, const QString& code2, bool force,
                             QString& message)
{
    if (hardwareId.trimmed().isEmpty()) {
        message = QStringLiteral("The hardware ID is missing");
        return false;
    }
    if (!isValidCode1(code1.trimmed())) {
        message = QStringLiteral("Assignment code 1 is not valid");
        return false;
    }
    if (code2.trimmed().isEmpty()) {
        message = QStringLiteral("Assignment code 2 is missing");
        return false;
    }
    const QString account = QStringLiteral("SIM-") + code1.trimmed();
    if (isAssigned() && account != m_account && !force) {
        message = QStringLiteral("Already assigned to account %1; assign with Force to move it").arg(m_account);
        return false;
    }
    return store(account, hardwareId.trimmed(), message);
}

bool AssignmentState::assignOwn(const QString& hardwareId, const QString& assignAnswer, QString& message)
{
    if (hardwareId.trimmed().isEmpty()) {
        message = QStringLiteral("The hardware ID is missing");
        return false;
    }
    if (assignAnswer.compare(QStringLiteral("ok"), Qt::CaseInsensitive) != 0) {
        message = QStringLiteral("The host refused the assignment");
        return false;
    }
    return store(QStringLiteral("SIM-") + hardwareId.trimmed().toUpper(), hardwareId.trimmed(), message);
}

bool AssignmentState::assignArguments(const VariantArray& arguments, QString& message)
{
    // The Sovereign's array arrives as the only element of the outer array.
    const VariantArray values =
        arguments.size() == 1 && arguments.first().isArray() ? arguments.first().arrayValue() : arguments;
    const auto at = [&](qsizetype index) { return index < values.size() ? VariantText::of(values.at(index)) : QString(); };
    const QString forceText = at(3).toUpper();
    const bool force = forceText == QStringLiteral("TRUE") || forceText == QStringLiteral("YES") ||
                       forceText == QStringLiteral("-1") || forceText == QStringLiteral("1");
    return assign(at(0), at(1), at(2), force, message);
}

bool AssignmentState::store(const QString& account, const QString& hardwareId, QString& message)
{
    QDir().mkpath(QFileInfo(m_fileName).absolutePath());
    clsINIFile ini;
    ini.setFileName(m_fileName);
    ini.WriteString(kSection, kAccount, account);
    ini.WriteString(kSection, kHardwareId, hardwareId);
    ini.WriteString(kSection, kAssignedAt, Clock::now().toString(Qt::ISODate));
    if (ini.GetString(kSection, kAccount) != account) {
        message = QStringLiteral("The assignment could not be recorded");
        SimulatedLog::write(QStringLiteral("Cannot write %1").arg(m_fileName), SimulatedLog::Error);
        return false;
    }
    m_account = account;
    message = QStringLiteral("Terminal assigned to account ") + account;
    SimulatedLog::write(message, SimulatedLog::Progress);
    return true;
}
