#include "components/BuiltInConfigurationUtility.h"

#include "services/MessageBoxes.h"
#include "services/ProcessState.h"
#include "services/Trace.h"
#include "components/ConfigurationDialog.h"
#include "components/UpdatePackageQuartermaster.h"
#include "config/IniDefaults.h"
#include "config/IniKeys.h"
#include "config/IniLocation.h"
#include "config/IniSections.h"
#include "config/clsINIFile.h"
#include "platform/Blanks.h"

#include <QInputDialog>

using namespace Qt::StringLiterals;

namespace {

struct Answers {
    BuiltInConfigurationUtility::PinPrompt pinPrompt;
    BuiltInConfigurationUtility::DialogRunner dialogRunner;
};

Answers& answers()
{
    static Answers set;
    return set;
}

std::shared_ptr<clsINIFile> iniFile()
{
    if (auto ini = ProcessState::instance().ini)
        return ini;
    auto ini = std::make_shared<clsINIFile>();
    ini->setFileName(IniLocation::iniFileName());
    return ini;
}

} // namespace

void BuiltInConfigurationUtility::setPinPrompt(PinPrompt prompt)
{
    answers().pinPrompt = std::move(prompt);
}

void BuiltInConfigurationUtility::setDialogRunner(DialogRunner runner)
{
    answers().dialogRunner = std::move(runner);
}

bool BuiltInConfigurationUtility::ShowPanel(QString& panel, QString& pin)
{
    const auto ini = iniFile();
    const QString masterPin = ini->GetString(IniSections::General, IniKeys::Masterpin,
                                             IniDefaults::iniDefault(IniKeys::Masterpin).toString());
    if (Blanks::trim(pin) != masterPin) {
        const std::optional<QString> given = answers().pinPrompt ? answers().pinPrompt() : askForPin();
        if (!given)
            return false;
        if (Blanks::trim(*given) != masterPin) {
            Trace::write(u"Settings refused: wrong PIN"_s, Trace::WarningSeverity);
            return false;
        }
    }
    ConfigurationDialog dialog(ini);
    dialog.selectPage(panel);
    return answers().dialogRunner ? answers().dialogRunner(dialog) : runDialog(dialog);
}

std::optional<QString> BuiltInConfigurationUtility::askForPin()
{
    if (MessageBoxes::unattended()) {
        Trace::write(u"Settings not opened: nobody to give the PIN"_s, Trace::WarningSeverity);
        return std::nullopt;
    }
    bool given = false;
    const QString pin = QInputDialog::getText(nullptr, u"pcQUIBA Settings"_s, u"Enter the PIN for the settings:"_s,
                                              QLineEdit::Password, QString(), &given);
    if (!given)
        return std::nullopt;
    return pin;
}

bool BuiltInConfigurationUtility::runDialog(ConfigurationDialog& dialog)
{
    if (MessageBoxes::unattended()) {
        Trace::write(u"Settings not opened: nobody to edit them"_s, Trace::WarningSeverity);
        return false;
    }
    return dialog.exec() == QDialog::Accepted;
}

void BuiltInConfigurationUtility::BeginUpdate(QString& package)
{
    UpdatePackageQuartermaster().beginUpdate(package);
}

qint16 BuiltInConfigurationUtility::FilesToInstall(bool& isExe, QString& message)
{
    QString package;
    return FilesToInstallPackage(package, isExe, message);
}

qint16 BuiltInConfigurationUtility::FilesToInstallPackage(QString& package, bool& isExe, QString& message)
{
    return UpdatePackageQuartermaster().filesToInstall(package, isExe, message);
}

void BuiltInConfigurationUtility::BeginUpdateAsync(const QString& package, std::function<void()> done)
{
    UpdatePackageQuartermaster().beginUpdateAsync(package, std::move(done));
}

void BuiltInConfigurationUtility::FilesToInstallAsync(std::function<void(Offer)> done)
{
    UpdatePackageQuartermaster().filesToInstallAsync(std::move(done));
}

qint16 BuiltInConfigurationUtility::FilesToRollBack(QString& package, bool& isExe, QString& message)
{
    return UpdatePackageQuartermaster().filesToRollBack(package, isExe, message);
}
