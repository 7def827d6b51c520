#pragma once

#include "platform/Dictionary.h"

#include <QString>
#include <memory>

class clsINIFile;

// Reads a whole INI section with its placeholder values expanded (see IniPlaceholders).
class IniSectionExpander {
public:
    // The section's keys and values, keys compared without regard to case; never null. Values
    // are trimmed, an empty value becomes "()" and a placeholder is replaced by its expansion.
    // An empty HARDWARE_ID section reads as HardwareId = GENERAL/hardware_id, an empty
    // ASSIGN_CODE_2 section as AssignCode2* = the de-obfuscated HOST/flags, each only when
    // that value is not empty.
    static std::shared_ptr<Dictionary> iniSection(clsINIFile& ini, const QString& section);

private:
    static void addBuiltInEntries(clsINIFile& ini, const QString& section, Dictionary& entries);
    static Variant expandedValue(clsINIFile& ini, const Variant& value);
};
