#include "api/Settings.h"

#include "api/ClassExit.h"
#include "api/IniTextBounds.h"
#include "api/IniWriteFailure.h"
#include "api/ScriptPutRecord.h"
#include "services/ErrorExit.h"
#include "services/ProcedureFrame.h"
#include "services/QuibaErrors.h"
#include "services/Trace.h"
#include "config/IniDefaults.h"
#include "config/IniKeys.h"
#include "config/IniSections.h"
#include "config/PrinterDeviceRule.h"
#include "config/IniLocation.h"
#include "config/clsINIFile.h"
#include "controller/frmController.h"
#include "platform/Conversions.h"
#include "platform/DateValue.h"
#include "platform/Dictionary.h"
#include "support/modTouchTools.h"

#include <QPushButton>
#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

// The simulated engine's scripted customer, read by the engine each time the screen shows.

QString quoted(const Variant& value)
{
    return modTouchTools::QuoteText(value, u"\""_s);
}

// A default as the text the accessor falls back to; a key without one reads as the empty text.
QString defaultText(const Variant& value)
{
    return value.isEmpty() || value.isNull() ? QString() : Conversions::toText(value);
}

bool isWholeLong(double number)
{
    return std::floor(number) == number && number >= double(std::numeric_limits<qint32>::min())
           && number <= double(std::numeric_limits<qint32>::max());
}

} // namespace

Settings::Settings() : m_ini(std::make_shared<clsINIFile>())
{
    m_ini->setFileName(IniLocation::iniFileName());
}

Settings::~Settings() = default;

QString Settings::className() const
{
    return kClassName;
}

Variant Settings::typedValue(const QString& text)
{
    if (text.compare(u"true"_s, Qt::CaseInsensitive) == 0)
        return Variant(true);
    if (text.compare(u"false"_s, Qt::CaseInsensitive) == 0)
        return Variant(false);
    // Numbers before dates: the date rules also read "20" or "1.5" as days.
    if (const std::optional<double> number = Conversions::parseNumber(text))
        return isWholeLong(*number) ? Variant(qint32(*number)) : Variant(*number);
    if (const std::optional<double> date = DateValue::parse(text))
        return Variant::fromDate(*date);
    return Variant(text);
}

Variant Settings::GetSetting(const QString& scope, const QString& name, const std::optional<Variant>& defaultValue)
{
    ProcedureFrame frame(u"Function GetSetting"_s, kClassName);
    return frame.run(classExit<Settings>(), [&] {
        Trace::write(Trace::callLine(kClassName, u"GetSetting"_s, {quoted(Variant(scope)), quoted(Variant(name))}));
        const Variant fallback = defaultValue ? *defaultValue : IniDefaults::iniDefault(name);
        const Variant value = typedValue(m_ini->GetString(scope, name, defaultText(fallback)));
        Trace::write(Trace::resultLine(Trace::valueText(value)));
        return value;
    });
}

void Settings::PutSetting(const QString& scope, const QString& name, const Variant& value)
{
    ProcedureFrame frame(u"Sub PutSetting"_s, kClassName);
    frame.run(classExit<Settings>(), [&] {
        Trace::write(Trace::callLine(kClassName, u"PutSetting"_s,
                                     {quoted(Variant(scope)), quoted(Variant(name)), quoted(value)}));
        if (const auto over = IniTextBounds::firstOverLimit(
                {{u"Scope"_s, scope, IniTextBounds::kNameLimit},
                 {u"Name"_s, name, IniTextBounds::kNameLimit},
                 {u"Value"_s, value.isString() ? value.toString() : QString(), IniTextBounds::kValueLimit}}))
            frame.raise(quibaInvalidArgument, kClassName, {Variant(*over)});
        if (!m_ini->FileExists())
            return;
        if (const QString why = printerRefusal(scope, name, value); !why.isEmpty())
            frame.raise(quibaInvalidArgument, kClassName, {Variant(why)});
        switch (value.kind()) {
        case Variant::Kind::Empty:
            m_ini->WriteString(scope, name, QString());
            break;
        case Variant::Kind::Null:
            m_ini->EraseKey(scope, name);
            break;
        case Variant::Kind::Integer:
            m_ini->WriteInteger(scope, name, value.integerValue());
            break;
        case Variant::Kind::Long:
            m_ini->WriteLong(scope, name, value.longValue());
            break;
        case Variant::Kind::Date:
            m_ini->WriteDate(scope, name, value.dateValue());
            break;
        default:
            m_ini->WriteString(scope, name, Conversions::toText(value));
            break;
        }
        IniWriteFailure::raiseIfAny(frame, kClassName, *m_ini);
        rememberScriptPut(scope, name);
    });
}

void Settings::rememberScriptPut(const QString& scope, const QString& name)
{
    if (scope.compare(ScriptPutRecord::kSection, Qt::CaseInsensitive) != 0 || name.compare(ScriptPutRecord::kKey, Qt::CaseInsensitive) != 0)
        return;
    const QString text = m_ini->GetString(ScriptPutRecord::kSection, ScriptPutRecord::kKey);
    if (m_scriptPut)
        ScriptPutRecord::forget(*m_scriptPut);
    m_scriptPut = text.isEmpty() ? std::nullopt : std::optional<QString>(text);
    if (m_scriptPut)
        ScriptPutRecord::remember(*m_scriptPut);
}

void Settings::eraseScriptItPut()
{
    if (!m_scriptPut)
        return;
    if (m_ini->GetString(ScriptPutRecord::kSection, ScriptPutRecord::kKey) == *m_scriptPut) {
        m_ini->EraseKey(ScriptPutRecord::kSection, ScriptPutRecord::kKey);
        Trace::write(u"Scripted customer erased with the API object that put it"_s, Trace::ProgressSeverity);
    }
    ScriptPutRecord::forget(*m_scriptPut);
    m_scriptPut.reset();
}

QString Settings::printerRefusal(const QString& scope, const QString& name, const Variant& value) const
{
    const bool type = name.compare(IniKeys::PrinterType, Qt::CaseInsensitive) == 0;
    const bool device = name.compare(IniKeys::PrinterDevice, Qt::CaseInsensitive) == 0;
    if (scope.compare(IniSections::Printer, Qt::CaseInsensitive) != 0 || (!type && !device))
        return {};
    const QString written = value.isNull() ? QString() : Conversions::toText(value);
    return PrinterDeviceRule::refusal(type ? written : m_ini->GetString(IniSections::Printer, IniKeys::PrinterType),
                                      device ? written : m_ini->GetString(IniSections::Printer, IniKeys::PrinterDevice));
}

void Settings::EraseSetting(const QString& scope, const QString& name)
{
    ProcedureFrame frame(u"Sub EraseSetting"_s, kClassName);
    frame.run(classExit<Settings>(), [&] {
        Trace::write(Trace::callLine(kClassName, u"EraseSetting"_s, {quoted(Variant(scope)), quoted(Variant(name))}));
        // Null is the value that erases: the key goes, rather than a stored 1. What PutSetting
        // raises it has already reported; it reaches the Sovereign as it stands.
        try {
            PutSetting(scope, name, Variant::null());
        } catch (const AutomationError& error) {
            frame.raise(error);
        }
    });
}

void Settings::ShowConfig(std::optional<QString>& panel)
{
    ProcedureFrame frame(u"Sub ShowConfig"_s, kClassName);
    frame.run(classExit<Settings>(), [&] {
        const QString name = panel.value_or(QString());
        Trace::write(Trace::callLine(kClassName, u"ShowConfig"_s, {quoted(Variant(name))}));
        frmController& controller = frmController::instance();
        // Added, not replaced: a second panel before the first click has run is refused.
        if (!name.isEmpty())
            controller.Args().add(u"Panel"_s, Variant(name));
        modTouchTools::PostClick(controller.cmdShowConfig());
    });
}
