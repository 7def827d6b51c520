#include "support/XmlNameTable.h"

#include <QHashFunctions>


QString XmlNameTable::intern(QStringView name)
{
    if (name.isEmpty())
        return QString();
    if (m_slots.empty())
        m_slots.resize(kSlots);
    std::size_t slot = qHash(name) % kSlots;
    while (!m_slots[slot].isNull()) {
        if (QStringView(m_slots[slot]) == name)
            return m_slots[slot];
        slot = (slot + 1) % kSlots;
    }
    if (m_count == kMostNames) {
        m_slots.assign(kSlots, QString());
        m_count = 0;
        slot = qHash(name) % kSlots;
    }
    ++m_count;
    m_slots[slot] = name.toString();
    return m_slots[slot];
}
