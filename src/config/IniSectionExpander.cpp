#include "config/IniSectionExpander.h"

#include "services/ProcedureFrame.h"
#include "config/IniKeys.h"
#include "config/IniPlaceholders.h"
#include "config/IniSections.h"
#include "config/clsINIFile.h"
#include "config/modINIConstants.h"
#include "platform/Blanks.h"

#include <QHash>

using namespace Qt::StringLiterals;

namespace {

struct BuiltInEntry {
    QString key;
    QString (*read)(clsINIFile&);
};

QString storedHardwareId(clsINIFile& ini)
{
    return ini.GetString(IniSections::General, IniKeys::HardwareId, {});
}

// What an empty section holds instead, by section name in upper case.
const QHash<QString, BuiltInEntry>& builtInEntries()
{
    static const QHash<QString, BuiltInEntry> entries{
        {IniSections::HardwareId, {u"HardwareId"_s, storedHardwareId}},
        {IniSections::AssignCode2, {u"AssignCode2*"_s, IniPlaceholders::readFlags}},
    };
    return entries;
}

} // namespace

std::shared_ptr<Dictionary> IniSectionExpander::iniSection(clsINIFile& ini, const QString& section)
{
    ProcedureFrame frame(u"Function iniSection"_s, modINIConstants::moduleName);
    return frame.run(ErrorExit::forModule(), [&] {
        std::shared_ptr<Dictionary> entries = ini.GetSection(section);
        if (entries->count() == 0)
            addBuiltInEntries(ini, section, *entries);
        const QStringList keys = entries->keys();
        for (const QString& key : keys)
            entries->setItem(key, expandedValue(ini, entries->item(key)));
        return entries;
    });
}

void IniSectionExpander::addBuiltInEntries(clsINIFile& ini, const QString& section, Dictionary& entries)
{
    const auto builtIn = builtInEntries().constFind(section.toUpper());
    if (builtIn == builtInEntries().cend())
        return;
    const QString value = builtIn->read(ini);
    if (!value.isEmpty())
        entries.add(builtIn->key, value);
}

Variant IniSectionExpander::expandedValue(clsINIFile& ini, const Variant& value)
{
    const QString text = Blanks::trim(value.toString());
    if (text.isEmpty())
        return u"()"_s;
    if (!IniPlaceholders::isPlaceholder(text))
        return text;
    return IniPlaceholders::expand(ini, text).value_or(Variant(text));
}
