#include "SimulatedSettings.h"

#include "Money.h"
#include "config/IniKeys.h"
#include "config/IniLocation.h"
#include "config/IniSections.h"
#include "config/clsINIFile.h"

namespace {

const QString kSimulator = QStringLiteral("SIMULATOR");

} // namespace

SimulatedSettings SimulatedSettings::read()
{
    SimulatedSettings settings;
    clsINIFile ini;
    settings.iniFile = IniLocation::iniFileName();
    ini.setFileName(settings.iniFile);

    settings.programRoot = IniLocation::iniGetPath(&ini, IniKeys::QuibaPath);
    settings.cataloguePath = IniLocation::iniGetPath(&ini, IniKeys::OtcXml);
    settings.dataPath = IniLocation::iniGetPath(&ini, IniKeys::DataPath);
    settings.hardwareId = ini.GetString(IniSections::General, IniKeys::HardwareId).trimmed();
    settings.compressVouchers =
        ini.GetString(IniSections::Host, IniKeys::Compression, QStringLiteral("NONE")).trimmed().compare(
            QStringLiteral("NONE"), Qt::CaseInsensitive) != 0;
    settings.compressedExtension = ini.GetString(IniSections::Files, IniKeys::CompressedExt).trimmed();
    if (settings.compressedExtension.startsWith(u'.'))
        settings.compressedExtension.remove(0, 1);
    settings.assignAnswer = ini.GetString(IniSections::Host, IniKeys::Assign, QStringLiteral("ok")).trimmed();
    settings.hostTimeoutSeconds = qMax(1, ini.GetLong(IniSections::Host, IniKeys::HostTimeout, 10));
    settings.checkoutTimeoutSeconds = qMax(1, ini.GetLong(IniSections::Checkout, IniKeys::CheckoutTimeout, 300));
    settings.window = QRect(ini.GetLong(IniSections::Gui, IniKeys::WindowLeft, 0),
                            ini.GetLong(IniSections::Gui, IniKeys::WindowTop, 0),
                            ini.GetLong(IniSections::Gui, IniKeys::WindowWidth, 0),
                            ini.GetLong(IniSections::Gui, IniKeys::WindowHeight, 0));
    settings.topMost = ini.GetBoolean(IniSections::Gui, IniKeys::WindowTopmost, false);

    settings.hostDelayMilliseconds = qBound(0, ini.GetLong(kSimulator, QStringLiteral("host_delay_ms"), 800), 60000);
    settings.uploadTimesOut = ini.GetBoolean(kSimulator, QStringLiteral("upload_timeout"), false);
    settings.maxItems = qBound(1, ini.GetLong(IniSections::Api, IniKeys::MaxBasketItems, 1), 99);
    settings.maxValue = qint64(qMax(0, ini.GetLong(IniSections::Api, IniKeys::MaxBasketValue, 1000))) * Money::kUnit;
    settings.script = ini.GetString(kSimulator, QStringLiteral("script"));
    settings.scriptStepMilliseconds = qBound(0, ini.GetLong(kSimulator, QStringLiteral("script_step_ms"), 800), 60000);
    return settings;
}

QString SimulatedSettings::stateFolder() const
{
    return IniLocation::joinPath(dataPath, QStringLiteral("simulator"));
}

QString SimulatedSettings::voucherFolder() const
{
    return IniLocation::joinPath(dataPath, QStringLiteral("vouchers"));
}

QString SimulatedSettings::outboxFolder() const
{
    return IniLocation::joinPath(programRoot, QStringLiteral("outbox"));
}
