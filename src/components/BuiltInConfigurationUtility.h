#pragma once

#include "controller/ConfigurationUtility.h"

#include <functional>
#include <optional>

class ConfigurationDialog;

// The built-in configuration utility: the settings dialog behind the operator's PIN, and the
// update steps on the packages of the download folder (UpdatePackageQuartermaster).
class BuiltInConfigurationUtility : public ConfigurationUtility {
public:
    static QString classId() { return kClassId; }

    // Asks the operator for the PIN; no answer when the question was cancelled or nobody can
    // be asked.
    using PinPrompt = std::function<std::optional<QString>()>;
    // Runs the dialog; True when the operator saved.
    using DialogRunner = std::function<bool(ConfigurationDialog&)>;
    // Tests answer in place of the operator; empty functions bring the defaults back.
    static void setPinPrompt(PinPrompt prompt);
    static void setDialogRunner(DialogRunner runner);

    QString className() const override { return QStringLiteral("Utility"); }

    bool ShowPanel(QString& panel, QString& pin) override;
    void BeginUpdate(QString& package) override;
    qint16 FilesToInstall(bool& isExe, QString& message) override;
    qint16 FilesToInstallPackage(QString& package, bool& isExe, QString& message) override;
    qint16 FilesToRollBack(QString& package, bool& isExe, QString& message) override;
    void BeginUpdateAsync(const QString& package, std::function<void()> done) override;
    void FilesToInstallAsync(std::function<void(Offer)> done) override;

private:
    static std::optional<QString> askForPin();
    static bool runDialog(ConfigurationDialog& dialog);
};
