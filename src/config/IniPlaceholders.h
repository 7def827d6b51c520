#pragma once

#include "platform/Variant.h"

#include <QString>
#include <QStringList>
#include <optional>

class clsINIFile;

// The placeholders a section value may hold: "(NAME)" or "(NAME,arg,...)", where the first
// character after the name separates the arguments. They bring in the machine's identity
// (HARDWAREID, COMPUTERNAME, IP, MAC), card-payment ids (CATID, CAID), the time (DATE), the
// host flags (FLAGS) and values of INI files (POS, INI) and of the registry (REG).
class IniPlaceholders {
public:
    // The obfuscation key of HOST/flags.
    static inline const QString kFlagsObfuscateKey = QStringLiteral("kq-rwt-zvbn jx:pu:fe");
    // The pattern of DATE and TIME without a format argument.
    static inline const QString kDefaultDatePattern = QStringLiteral("YYYYMMDDHHNNSS");
    // The buffer the COMPUTERNAME, POS and INI values are read into.
    static constexpr int kValueBufferSize = 100;

    struct Placeholder {
        // Upper case.
        QString name;
        QStringList arguments;
    };

    // A text that begins with "(" and ends with ")".
    static bool isPlaceholder(const QString& text);
    // The name and trimmed arguments of the text between the parentheses.
    static Placeholder parse(const QString& inner);
    // What a placeholder value stands for; nothing for a name outside the table, whose value
    // then stays as written. May set the accessor's ObfuscateKey (FLAGS).
    static std::optional<Variant> expand(clsINIFile& ini, const QString& placeholder);

    // HOST/flags, de-obfuscated with kFlagsObfuscateKey, which stays set on the accessor.
    static QString readFlags(clsINIFile& ini);

private:
    using Arguments = QStringList;

    static Variant hardwareId(clsINIFile& ini, const Arguments& arguments);
    static Variant computerName(clsINIFile& ini, const Arguments& arguments);
    static Variant ipAddress(clsINIFile& ini, const Arguments& arguments);
    static Variant macAddress(clsINIFile& ini, const Arguments& arguments);
    static Variant terminalId(clsINIFile& ini, const Arguments& arguments);
    static Variant acquirerId(clsINIFile& ini, const Arguments& arguments);
    static Variant dateTime(clsINIFile& ini, const Arguments& arguments);
    static Variant flags(clsINIFile& ini, const Arguments& arguments);
    static Variant pointOfSaleInfo(clsINIFile& ini, const Arguments& arguments);
    static Variant iniFileValue(clsINIFile& ini, const Arguments& arguments);
    static Variant registryValue(clsINIFile& ini, const Arguments& arguments);

    // zFormat with the argument at index when there is one.
    static Variant formatted(const Variant& value, const Arguments& arguments, qsizetype index);
    // The same, except that a value that is itself a placeholder stays as read.
    static Variant formattedUnlessPlaceholder(const Variant& value, const Arguments& arguments, qsizetype index);
    static Variant eftposValue(clsINIFile& ini, const QString& key, const Arguments& arguments);
    static QString profileValue(const QString& fileName, const QString& section, const QString& key,
                                const QString& defaultValue);
};
