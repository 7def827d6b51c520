#pragma once

#include "platform/AutomationError.h"

#include <QString>
#include <ostream>
#include <string>

// The number of the automation error a call raises, 0 when it raises none.
template <class Call>
qint32 raisedNumber(Call&& call)
{
    try {
        call();
    } catch (const AutomationError& error) {
        return error.number();
    }
    return 0;
}

// Case labels for failure messages.
inline std::string utf8(const char16_t* text)
{
    return QString::fromUtf16(text).toStdString();
}

inline std::string utf8(const QString& text)
{
    return text.toStdString();
}
