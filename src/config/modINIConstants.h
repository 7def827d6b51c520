#pragma once

#include <QString>

// The configuration module: the INI file's vocabulary and the functions around it.
//   - section and key names: IniSections, IniKeys
//   - iniDefault: IniDefaults
//   - iniFileName, iniGetPath: IniLocation
//   - iniSection (with its placeholders): IniSectionExpander, IniPlaceholders
//   - zFormat, zFormatIP: IniFormat
class modINIConstants {
public:
    // The module name its functions announce themselves with.
    static inline const QString moduleName = QStringLiteral("modINIConstants");
};
