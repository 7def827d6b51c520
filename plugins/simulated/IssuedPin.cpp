#include "IssuedPin.h"

QString IssuedPin::groupedPin() const
{
    QString grouped;
    for (qsizetype start = 0; start < pin.size(); start += 4) {
        if (!grouped.isEmpty())
            grouped += u' ';
        grouped += pin.mid(start, 4);
    }
    return grouped;
}
