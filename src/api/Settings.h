#pragma once

#include "platform/Variant.h"

#include <QString>
#include <memory>
#include <optional>

class clsINIFile;

// The Sovereign's access to pcQUIBA's INI configuration: Scope is a section name and Name a
// key name. Values read are typed by their text; values written are stored by their type.
class Settings : public AutomationObject {
public:
    static inline const QString kClassName = QStringLiteral("Settings");

    // Opens its own accessor on the program's INI file.
    Settings();
    ~Settings() override;

    QString className() const override;

    // The key's text typed: true/false (any case) a Boolean, a number a Long when whole (a
    // Double otherwise, or beyond the Long range), a date a Date, anything else the text.
    // Without Default the key's built-in default applies.
    Variant GetSetting(const QString& scope, const QString& name,
                       const std::optional<Variant>& defaultValue = std::nullopt);
    // Stores the value by its type, only when the INI file exists: Empty as the empty text, Null
    // erases the key, Integer, Long and Date in their own forms, anything else as its text.
    void PutSetting(const QString& scope, const QString& name, const Variant& value);
    // Removes the key.
    void EraseSetting(const QString& scope, const QString& name);
    // Opens the configuration utility on the panel after this call has returned.
    void ShowConfig(std::optional<QString>& panel);

    // The typing of GetSetting for one text.
    static Variant typedValue(const QString& text);

    // The simulated engine's scripted customer (SIMULATOR/script) lasts only while the API
    // object that put it lives, so that a later Sovereign never has its sale played by a script
    // it did not set: the API object calls this as it ends, and the script this object put is
    // erased unless someone changed it since.
    void eraseScriptItPut();

private:
    void rememberScriptPut(const QString& scope, const QString& name);
    // Why a write of PRINTER printer_type or printer_device would leave an ESC/POS printer
    // pointed at something that is no printer; empty when it may be written.
    QString printerRefusal(const QString& scope, const QString& name, const Variant& value) const;

    std::shared_ptr<clsINIFile> m_ini;
    // The script text this object put, while it is its to erase.
    std::optional<QString> m_scriptPut;
};
