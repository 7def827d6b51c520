#include "config/IniPlaceholders.h"

#include "config/IniDefaults.h"
#include "config/IniFormat.h"
#include "config/IniKeys.h"
#include "config/IniLocation.h"
#include "config/IniSections.h"
#include "config/clsINIFile.h"
#include "platform/Blanks.h"
#include "platform/DateValue.h"
#include "platform/PrivateProfile.h"
#include "platform/ProgramFolders.h"
#include "support/modMACaddr.h"
#include "support/modTouchTools.h"

#include <QDir>
#include <QHash>

using namespace Qt::StringLiterals;

namespace {

const QString kNoValue = u"()"_s;
constexpr QChar kRegistrySeparator = u'\\';

bool isNameLetter(QChar c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

} // namespace

bool IniPlaceholders::isPlaceholder(const QString& text)
{
    return text.startsWith(u'(') && text.endsWith(u')') && text.size() >= 2;
}

IniPlaceholders::Placeholder IniPlaceholders::parse(const QString& inner)
{
    qsizetype nameEnd = 0;
    while (nameEnd < inner.size() && isNameLetter(inner[nameEnd]))
        ++nameEnd;
    Placeholder placeholder{inner.left(nameEnd).toUpper(), {}};
    if (nameEnd == inner.size())
        return placeholder;
    const QStringList parts = inner.split(inner[nameEnd]);
    for (qsizetype i = 1; i < parts.size(); ++i)
        placeholder.arguments.append(Blanks::trim(parts[i]));
    return placeholder;
}

std::optional<Variant> IniPlaceholders::expand(clsINIFile& ini, const QString& placeholder)
{
    using Expander = Variant (*)(clsINIFile&, const Arguments&);
    static const QHash<QString, Expander> expanders{
        {u"HARDWAREID"_s, hardwareId},   {u"COMPUTERNAME"_s, computerName}, {u"IP"_s, ipAddress},
        {u"IPADDR"_s, ipAddress},        {u"IPADDRESS"_s, ipAddress},       {u"MAC"_s, macAddress},
        {u"MACADDR"_s, macAddress},      {u"MACADDRESS"_s, macAddress},     {u"CATID"_s, terminalId},
        {u"CAID"_s, acquirerId},         {u"DATE"_s, dateTime},             {u"TIME"_s, dateTime},
        {u"FLAGS"_s, flags},             {u"POS"_s, pointOfSaleInfo},       {u"POSINFO"_s, pointOfSaleInfo},
        {u"INFO"_s, pointOfSaleInfo},    {u"INI"_s, iniFileValue},          {u"REG"_s, registryValue},
    };
    const Placeholder parsed = parse(placeholder.mid(1, placeholder.size() - 2));
    const auto expander = expanders.constFind(parsed.name);
    if (expander == expanders.cend())
        return std::nullopt;
    return (*expander)(ini, parsed.arguments);
}

QString IniPlaceholders::readFlags(clsINIFile& ini)
{
    ini.setObfuscateKey(kFlagsObfuscateKey);
    return ini.GetObfuscated(IniSections::Host, IniKeys::Flags, {});
}

Variant IniPlaceholders::hardwareId(clsINIFile& ini, const Arguments& arguments)
{
    const QString fallback = IniDefaults::iniDefault(IniKeys::HardwareId).toString();
    return formatted(ini.GetString(IniSections::General, IniKeys::HardwareId, fallback), arguments, 0);
}

Variant IniPlaceholders::computerName(clsINIFile&, const Arguments& arguments)
{
    return formatted(IniDefaults::computerName(kValueBufferSize), arguments, 0);
}

Variant IniPlaceholders::ipAddress(clsINIFile&, const Arguments& arguments)
{
    const QString address = modMACaddr::GetIPAddress(0);
    return arguments.isEmpty() ? address : IniFormat::zFormatIP(address, arguments.first());
}

Variant IniPlaceholders::macAddress(clsINIFile&, const Arguments& arguments)
{
    return formatted(modMACaddr::GetMAC(), arguments, 0);
}

Variant IniPlaceholders::terminalId(clsINIFile& ini, const Arguments& arguments)
{
    return eftposValue(ini, IniKeys::Catid, arguments);
}

Variant IniPlaceholders::acquirerId(clsINIFile& ini, const Arguments& arguments)
{
    return eftposValue(ini, IniKeys::Caid, arguments);
}

Variant IniPlaceholders::eftposValue(clsINIFile& ini, const QString& key, const Arguments& arguments)
{
    const QString value = ini.GetString(IniSections::Eftpos, key, kNoValue);
    return value == kNoValue ? Variant(value) : formatted(value, arguments, 0);
}

Variant IniPlaceholders::dateTime(clsINIFile&, const Arguments& arguments)
{
    return IniFormat::zFormat(Variant::fromDate(DateValue::now()), arguments.value(0, kDefaultDatePattern));
}

Variant IniPlaceholders::flags(clsINIFile& ini, const Arguments&)
{
    return readFlags(ini);
}

Variant IniPlaceholders::pointOfSaleInfo(clsINIFile&, const Arguments& arguments)
{
    const QString value =
        profileValue(IniLocation::iniFileName(), IniSections::Info, arguments.value(0), arguments.value(1));
    return formattedUnlessPlaceholder(value, arguments, 2);
}

// A file named without a folder is looked for where the profile functions look: in the
// system folder.
Variant IniPlaceholders::iniFileValue(clsINIFile&, const Arguments& arguments)
{
    const QString file = arguments.value(0);
    const QString path = QDir::isAbsolutePath(file) ? file : IniLocation::joinPath(ProgramFolders::system(), file);
    const QString value = profileValue(path, arguments.value(1), arguments.value(2), arguments.value(3));
    return formattedUnlessPlaceholder(value, arguments, 4);
}

Variant IniPlaceholders::registryValue(clsINIFile&, const Arguments& arguments)
{
    const QString location = arguments.value(0);
    const qsizetype separator = location.indexOf(kRegistrySeparator);
    const QString root = separator < 0 ? location : location.left(separator);
    const QString keyPath = separator < 0 ? QString() : location.mid(separator + 1);
    const Variant value = modTouchTools::ReadRegistryValue(modTouchTools::RegistryRootKey(root), keyPath,
                                                           arguments.value(1), arguments.value(2));
    return formattedUnlessPlaceholder(value, arguments, 3);
}

Variant IniPlaceholders::formatted(const Variant& value, const Arguments& arguments, qsizetype index)
{
    return index < arguments.size() ? Variant(IniFormat::zFormat(value, arguments.at(index))) : value;
}

Variant IniPlaceholders::formattedUnlessPlaceholder(const Variant& value, const Arguments& arguments,
                                                    qsizetype index)
{
    if (value.isString() && isPlaceholder(value.stringValue()))
        return value;
    return formatted(value, arguments, index);
}

QString IniPlaceholders::profileValue(const QString& fileName, const QString& section, const QString& key,
                                      const QString& defaultValue)
{
    return PrivateProfile::getPrivateProfileString(section, key, defaultValue, kValueBufferSize, fileName);
}
