#pragma once

#include "platform/Variant.h"

#include <QString>
#include <optional>

class clsINIFile;

// Builds the hardware identifier and the two assignment codes of Assign2 from the Sovereign's
// arguments and the templates in the INI sections HARDWARE_ID, ASSIGN_CODE_1 and
// ASSIGN_CODE_2 (read through the section expander). A template part that is "()" (or another
// text in parentheses, then a format pattern) takes the next argument; any other part is
// literal text. An argument left over after the three values is read as Force.
class AssignmentTemplates {
public:
    struct Values {
        QString hardwareID;
        QString assignCode1;
        QString assignCode2;
        bool force = false;
    };

    // The values, or the message of the first stop ("Incomplete HardwareID  (key is missing)",
    // "Missing AssignCode1", ...). A running index beyond 32767 raises the runtime's overflow.
    static std::optional<QString> compose(clsINIFile& ini, const VariantArray& arguments, Values& values);

private:
    // Moves the 16-bit running index on by one.
    static void advance(qint16& index);
    static bool takesArgument(const QString& part);
    static QString formattedArgument(const Variant& argument, const QString& part);
};
