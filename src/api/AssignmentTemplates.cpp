#include "api/AssignmentTemplates.h"

#include "config/IniSectionExpander.h"
#include "config/IniSections.h"
#include "platform/Blanks.h"
#include "platform/Format.h"
#include "platform/RuntimeErrors.h"
#include "support/modTouchTools.h"

#include <limits>

using namespace Qt::StringLiterals;

namespace {

// Each value, the section of its template and the name its messages use.
struct Template {
    const QString& section;
    const char16_t* name;
    QString AssignmentTemplates::Values::*value;
};

} // namespace

std::optional<QString> AssignmentTemplates::compose(clsINIFile& ini, const VariantArray& arguments, Values& values)
{
    const Template templates[] = {
        {IniSections::HardwareId, u"HardwareID", &Values::hardwareID},
        {IniSections::AssignCode1, u"AssignCode1", &Values::assignCode1},
        {IniSections::AssignCode2, u"AssignCode2", &Values::assignCode2},
    };
    const qsizetype upperBound = arguments.size() - 1;
    // Not reset between the three values: the arguments are consumed in one run.
    qint16 index = -1;

    for (const Template& part : templates) {
        const QString name = QString::fromUtf16(part.name);
        const std::shared_ptr<Dictionary> entries = IniSectionExpander::iniSection(ini, part.section);
        QString composed;
        for (const QString& key : entries->keys()) {
            const QString item = entries->item(key).toString();
            if (!takesArgument(item)) {
                composed += Blanks::trim(item);
                continue;
            }
            if (index >= upperBound)
                return u"Incomplete "_s + name + u"  ("_s + key + u" is missing)"_s;
            advance(index);
            composed += Blanks::trim(formattedArgument(arguments.at(index), item));
        }
        if (composed.isEmpty())
            return u"Missing "_s + name;
        values.*part.value = composed;
    }

    values.force = false;
    if (index < upperBound) {
        advance(index);
        values.force = modTouchTools::IsTrueText(arguments.at(index));
    }
    return std::nullopt;
}

void AssignmentTemplates::advance(qint16& index)
{
    if (index == std::numeric_limits<qint16>::max())
        RuntimeErrors::raise(RuntimeErrors::Overflow);
    ++index;
}

bool AssignmentTemplates::takesArgument(const QString& part)
{
    return part.isEmpty() || (part.startsWith(u'(') && part.endsWith(u')'));
}

QString AssignmentTemplates::formattedArgument(const Variant& argument, const QString& part)
{
    if (part.size() > 2)
        return Format::format(argument, part.mid(1, part.size() - 2));
    return argument.toString();
}
